#include "platform/qt/permissions.h"

#include <QtWebEngineCore/qtwebenginecoreversion.h>

#include <QWebEnginePage>

#include "platform/system/x_server.h"

// The engine's permission interface changed with 6.8; this is the one place that knows.
#if QTWEBENGINECORE_VERSION >= QT_VERSION_CHECK(6, 8, 0)
#include <QWebEngineDesktopMediaRequest>
#include <QWebEnginePermission>
#endif

namespace lumora::qtview {

void DenyAllPermissions(QWebEnginePage* page) {
#if QTWEBENGINECORE_VERSION >= QT_VERSION_CHECK(6, 8, 0)
  // A page's request to capture the screen lists the windows of $DISPLAY (whatever the
  // toolkit's own platform) before anyone answers it, asking each for WM_STATE by an atom only
  // a window manager makes: without one (a bare X server) the atom is 0 and the client
  // library ends the whole program on the error.
  static const bool atom_made = [] {
    const QByteArray display = qgetenv("DISPLAY");
    return !display.isEmpty() && InternXAtom(display.toStdString(), "WM_STATE");
  }();
  (void)atom_made;
  QObject::connect(page, &QWebEnginePage::permissionRequested, page,
                   [](QWebEnginePermission permission) { permission.deny(); });
  // Without a receiver the engine would pick a screen to share by itself.
  QObject::connect(page, &QWebEnginePage::desktopMediaRequested, page,
                   [](const QWebEngineDesktopMediaRequest& request) { request.cancel(); });
#else
  QObject::connect(page, &QWebEnginePage::featurePermissionRequested, page,
                   [page](const QUrl& origin, QWebEnginePage::Feature feature) {
                     page->setFeaturePermission(origin, feature,
                                                QWebEnginePage::PermissionDeniedByUser);
                   });
#endif
}

}  // namespace lumora::qtview
