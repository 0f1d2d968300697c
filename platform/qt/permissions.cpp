#include "platform/qt/permissions.h"

#include <QtWebEngineCore/qtwebenginecoreversion.h>

#include <QWebEnginePage>

// The engine's permission interface changed with 6.8; this is the one place that knows.
#if QTWEBENGINECORE_VERSION >= QT_VERSION_CHECK(6, 8, 0)
#include <QWebEngineDesktopMediaRequest>
#include <QWebEnginePermission>
#endif

namespace lumora::qtview {

void DenyAllPermissions(QWebEnginePage* page) {
#if QTWEBENGINECORE_VERSION >= QT_VERSION_CHECK(6, 8, 0)
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
