// What all browsers of the program share: one profile (cookies, cache, settings) kept on
// disk so that logins survive a restart, and the plain browser windows pages open for
// themselves.
#pragma once

#include <QDeadlineTimer>
#include <QPointer>
#include <QString>
#include <QUrl>
#include <QWebEngineFullScreenRequest>
#include <QWebEnginePage>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

class QWebEngineProfile;
class QWebEngineView;

namespace lumora::qtview {

class BrowserHost;
class FullScreen;

// Every request of the engine enters here: new windows (asked of the owner), full screen
// (granted), permissions (denied), a page process that died (reloaded, then a local page).
class BrowserPage : public QWebEnginePage {
 public:
  BrowserPage(BrowserHost* host, QObject* parent);
  ~BrowserPage() override;
  // Returns the page that shows the new window, or nullptr to refuse it.
  std::function<QWebEnginePage*()> on_new_window;

 protected:
  QWebEnginePage* createWindow(WebWindowType type) override;

 private:
  void OnFullScreen(QWebEngineFullScreenRequest request);
  void OnProcessEnded(RenderProcessTerminationStatus status);

  BrowserHost* host_;
  QUrl crash_page_;
  QUrl last_address_;            // the last page that loaded, never the crash page
  QDeadlineTimer reloaded_for_;  // running while a reload after a crash is recent; starts expired
  std::unique_ptr<FullScreen> full_screen_;
};

class BrowserHost {
 public:
  // `storage` is the profile's directory; empty: "browser" in the user's data location.
  explicit BrowserHost(QString storage);
  ~BrowserHost();
  BrowserHost(const BrowserHost&) = delete;
  BrowserHost& operator=(const BrowserHost&) = delete;

  // Created on first use, so a program that shows no page never starts the engine.
  QWebEngineProfile* Profile();
  // The local page shown when a page process dies twice in a row; empty: none.
  void SetCrashPage(QUrl page) { crash_page_ = std::move(page); }
  const QUrl& CrashPage() const { return crash_page_; }
  // The interface language the crash page speaks (1, 2 or 3), asked at each crash.
  void SetCrashLanguage(std::function<int()> language) { crash_language_ = std::move(language); }
  int CrashLanguage() const { return crash_language_ ? crash_language_() : 1; }
  // Opens a plain top-level browser window of our own and returns its (empty) page.
  QWebEnginePage* OpenOwnWindow();
  // Those windows that are still open.
  std::vector<QWebEngineView*> OwnWindows() const;

 private:
  QString storage_;
  QUrl crash_page_;
  std::function<int()> crash_language_;
  QWebEngineProfile* profile_ = nullptr;  // deleted after every page that uses it
  std::vector<QPointer<QWebEngineView>> own_windows_;
};

}  // namespace lumora::qtview
