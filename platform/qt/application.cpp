#include "platform/qt/application.h"

#include <QApplication>
#include <QLoggingCategory>

#include "platform/qt/browser_engine.h"

namespace lumora::qtview {

void PrepareApplication() {
  PrepareBrowserEngine();
  QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
  ComposeWithoutOpenGl();
}

void SetUpApplication() {
  QApplication::setOrganizationName("Lumora");
  QApplication::setApplicationName("Lumora");
  QApplication::setQuitOnLastWindowClosed(false);  // the program ends with MainWindow only
  ChooseBrowserCompositing();  // first: it may drop the logging rule of the construction
  // The engine dumps its graphics set-up at every start; it means nothing to a user. A
  // QT_LOGGING_RULES of the user's own still turns it back on.
  QLoggingCategory::setFilterRules(QStringLiteral("qt.webenginecontext.info=false"));
  WatchEngineSandbox();
}

}  // namespace lumora::qtview
