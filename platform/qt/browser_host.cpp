#include "platform/qt/browser_host.h"

#include <QDir>
#include <QStandardPaths>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <QWebEngineView>
#include <algorithm>
#include <utility>

namespace lumora::qtview {

BrowserPage::BrowserPage(QWebEngineProfile* profile, QObject* parent)
    : QWebEnginePage(profile, parent) {}

QWebEnginePage* BrowserPage::createWindow(WebWindowType) {
  // A copy: the handler may end the window, and with it clear on_new_window, while it runs.
  const std::function<QWebEnginePage*()> handler = on_new_window;
  return handler ? handler() : nullptr;
}

BrowserHost::BrowserHost(QString storage) : storage_(std::move(storage)) {}

BrowserHost::~BrowserHost() {
  for (const QPointer<QWebEngineView>& window : own_windows_) delete window.data();
  delete profile_;
}

QWebEngineProfile* BrowserHost::Profile() {
  if (profile_ != nullptr) return profile_;
  QString storage = storage_;
  if (storage.isEmpty()) {
    storage = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) +
              QStringLiteral("/browser");
  }
  QDir().mkpath(storage);
  // A named profile keeps its data on disk; cookies with an expiry date outlive the run.
  profile_ = new QWebEngineProfile(QStringLiteral("Lumora"));
  profile_->setPersistentStoragePath(storage);
  profile_->setCachePath(storage + QStringLiteral("/cache"));
  profile_->setPersistentCookiesPolicy(QWebEngineProfile::AllowPersistentCookies);
  // The portal's players start from script as soon as their page is up, not after a
  // click inside the page, so playback must not wait for a user gesture.
  profile_->settings()->setAttribute(QWebEngineSettings::PlaybackRequiresUserGesture, false);
  return profile_;
}

QWebEnginePage* BrowserHost::OpenOwnWindow() {
  auto* window = new QWebEngineView;
  window->setObjectName(QStringLiteral("OwnBrowserWindow"));
  window->setAttribute(Qt::WA_DeleteOnClose);
  auto* page = new BrowserPage(Profile(), window);
  page->on_new_window = [this] { return OpenOwnWindow(); };
  window->setPage(page);
  QObject::connect(page, &QWebEnginePage::windowCloseRequested, window, &QWidget::close);
  QObject::connect(page, &QWebEnginePage::titleChanged, window, &QWidget::setWindowTitle);
  window->resize(1000, 700);
  window->show();
  own_windows_.erase(std::remove(own_windows_.begin(), own_windows_.end(), nullptr),
                     own_windows_.end());
  own_windows_.emplace_back(window);
  return page;
}

std::vector<QWebEngineView*> BrowserHost::OwnWindows() const {
  std::vector<QWebEngineView*> open;
  for (const QPointer<QWebEngineView>& window : own_windows_) {
    if (window) open.push_back(window.data());
  }
  return open;
}

}  // namespace lumora::qtview
