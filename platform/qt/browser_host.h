// What all browsers of the program share: one profile (cookies, cache, settings) kept on
// disk so that logins survive a restart, and the plain browser windows pages open for
// themselves.
#pragma once

#include <QDeadlineTimer>
#include <QIcon>
#include <QPointer>
#include <QRect>
#include <QString>
#include <QUrl>
#include <QWebEngineFullScreenRequest>
#include <QWebEnginePage>
#include <QWebEngineView>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

class QWebEngineDownloadRequest;
class QWebEngineNewWindowRequest;
class QScreen;
class QWebEngineProfile;
class QWidget;

namespace lumora::qtview {

class BrowserHost;
class FullScreen;

// Where a window of our own goes: the rectangle a page asked for (its default size, in the
// middle, when it asked for none), moved and cut to what the screen's panels leave free.
QRect FitOnScreen(QRect asked, const QScreen* screen);

// What a page's request for a new window says about itself.
struct NewWindowAsk {
  QUrl address;         // empty when the page names none (window.open() with no address)
  bool user_initiated;  // a click, a key: not a script on its own
  QRect geometry;       // what the page asked for; empty: nothing
};

// Every request of the engine enters here: new windows (asked of the owner), full screen
// (granted), permissions (denied), a page process that died (reloaded, then a local page).
class BrowserPage : public QWebEnginePage {
 public:
  BrowserPage(BrowserHost* host, QObject* parent);
  ~BrowserPage() override;
  // Whether a window of our own may show the page asked for; unset: none may. The page
  // keeps at most one such window: while it is open, further requests navigate it.
  std::function<bool(const NewWindowAsk&)> on_new_window;
  // The window of ours this page opened and that is still open, or nullptr.
  QWebEngineView* OwnWindow() const { return own_window_.data(); }

 protected:
  QWebEnginePage* createWindow(WebWindowType type) override;

 private:
  void OnFullScreen(QWebEngineFullScreenRequest request);
  void OnProcessEnded(RenderProcessTerminationStatus status);
  void OnNewWindow(QWebEngineNewWindowRequest& request);
  // The page to open the window in, or nullptr when it is refused or went to the open one.
  QWebEnginePage* Decide(const NewWindowAsk& ask);

  BrowserHost* host_;
  QPointer<QWebEngineView> own_window_;
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
  // Receives every download a page starts; set before the first page. Unset: none is kept.
  void SetDownloadHandler(std::function<void(QWebEngineDownloadRequest*)> handler) {
    download_handler_ = std::move(handler);
  }
  // The local page shown when a page process dies twice in a row; empty: none.
  void SetCrashPage(QUrl page) { crash_page_ = std::move(page); }
  const QUrl& CrashPage() const { return crash_page_; }
  // The interface language the crash page speaks (1, 2 or 3), asked at each crash.
  void SetCrashLanguage(std::function<int()> language) { crash_language_ = std::move(language); }
  int CrashLanguage() const { return crash_language_ ? crash_language_() : 1; }
  // The icon of the windows of our own; their caption is their page's title.
  void SetOwnWindowIcon(QIcon icon) { own_icon_ = std::move(icon); }
  // Opens a plain top-level browser window of our own and returns its (empty) page: the
  // size a page asked for, on the screen of `near`, never larger than what the screen's
  // panels leave free.
  BrowserPage* OpenOwnWindow(QRect asked, const QWidget* near);
  // Those windows that are still open.
  std::vector<QWebEngineView*> OwnWindows() const;

 private:
  QString storage_;
  QUrl crash_page_;
  std::function<int()> crash_language_;
  QIcon own_icon_;
  std::function<void(QWebEngineDownloadRequest*)> download_handler_;
  QWebEngineProfile* profile_ = nullptr;  // deleted after every page that uses it
  std::vector<QPointer<QWebEngineView>> own_windows_;
};

}  // namespace lumora::qtview
