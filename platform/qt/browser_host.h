// What all browsers of the program share: one profile (cookies, cache, settings) kept on
// disk so that logins survive a restart, and the plain browser windows pages open for
// themselves.
#pragma once

#include <QDeadlineTimer>
#include <QElapsedTimer>
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

#include "platform/definition.h"

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
// (granted), permissions (denied), a page process that died (reloaded, then a local page),
// navigations (only trusted pages at the top level) and script dialogs.
class BrowserPage : public QWebEnginePage {
 public:
  BrowserPage(BrowserHost* host, QObject* parent);
  ~BrowserPage() override;
  // The program's own navigation. A trusted page loads; another web address goes to the
  // desktop's browser and a local page here says so; anything else shows that page without
  // an address.
  void Load(const QUrl& address);
  // A click or a key reached this page's view: a link it follows now is the user's.
  void NoteUserInput() { user_input_.start(); }
  // Advertising pages get no script dialogs at all: alert() returns at once, confirm() and
  // prompt() answer no.
  void SetQuietDialogs(bool quiet) { quiet_dialogs_ = quiet; }
  // Whether the last load that failed was a navigation this page refused for itself (nobody
  // asked the program for it); reading it clears it.
  bool TakeRefusedNavigation() { return std::exchange(refused_navigation_, false); }
  // Whether a window of our own may show the page asked for; unset: none may. The page
  // keeps at most one such window: while it is open, further requests navigate it.
  std::function<bool(const NewWindowAsk&)> on_new_window;
  // The window of ours this page opened and that is still open, or nullptr.
  QWebEngineView* OwnWindow() const { return own_window_.data(); }

 protected:
  QWebEnginePage* createWindow(WebWindowType type) override;
  bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool main_frame) override;
  void javaScriptAlert(const QUrl& origin, const QString& message) override;
  bool javaScriptConfirm(const QUrl& origin, const QString& message) override;
  bool javaScriptPrompt(const QUrl& origin, const QString& message, const QString& default_text,
                        QString* result) override;
  QStringList chooseFiles(FileSelectionMode mode, const QStringList& old_files,
                          const QStringList& accepted_types) override;

 private:
  void OnFullScreen(QWebEngineFullScreenRequest request);
  void OnProcessEnded(RenderProcessTerminationStatus status);
  void OnNewWindow(QWebEngineNewWindowRequest& request);
  // The page to open the window in, or nullptr when it is refused or went to the open one.
  QWebEnginePage* Decide(const NewWindowAsk& ask);
  bool RecentUserInput() const;
  struct DialogAnswer {
    bool accepted = false;
    QString text;
  };
  DialogAnswer RunDialog(int kind, const QUrl& origin, const QString& message,
                         const QString& default_text);

  BrowserHost* host_;
  QPointer<QWebEngineView> own_window_;
  QUrl crash_page_;
  QUrl last_address_;              // the last page that loaded, never the crash page
  QDeadlineTimer reloaded_for_;    // running while a reload after a crash is recent; starts expired
  bool crash_page_again_ = false;  // the crash page was shown again after its own process ended
  std::unique_ptr<FullScreen> full_screen_;
  QElapsedTimer user_input_;           // since the last click or key in the view
  bool navigation_user_made_ = false;  // the main-frame navigation under way, for its redirects
  bool navigation_by_program_ = false;
  bool refused_navigation_ = false;
  bool quiet_dialogs_ = false;
  bool dialogs_refused_ = false;  // the user asked for no more boxes from this document
};

// Tells `page` of every click and key in `view` and in the widgets the engine puts inside it.
void WatchUserInput(QWebEngineView* view, BrowserPage* page);

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
  // The interface language (1, 2 or 3) of the local pages and the script dialogs, asked at
  // each use.
  void SetLanguage(std::function<int()> language) { language_ = std::move(language); }
  int Language() const { return language_ ? language_() : 1; }
  // Whether a page may be shown at the top level; unset: every page.
  void SetTrust(std::function<PageTrust(const QUrl&)> trust) { trust_ = std::move(trust); }
  PageTrust Trust(const QUrl& address) const { return trust_ ? trust_(address) : PageTrust::kShow; }
  // The local page shown in place of one that went to the desktop's browser.
  void SetOutsidePage(QUrl page) { outside_page_ = std::move(page); }
  // That page for `address` (empty: an address that goes nowhere), in the interface language.
  QUrl OutsidePageFor(const QUrl& address) const;
  // Where addresses for the desktop's browser go (the program's allow-list); unset: nowhere.
  void SetOpenOutside(std::function<void(const std::string&)> open) {
    open_outside_ = std::move(open);
  }
  // Hands `address` to the desktop's browser: one a second for all pages together, so a page
  // that asks in a loop opens no flood of browser windows.
  void OpenOutside(const QUrl& address);
  // Runs a loop of the engine's (a script dialog, a file chooser) with the program's events
  // held, so no behaviour runs inside it; unset: just runs it.
  void SetHoldEvents(std::function<void(const std::function<void()>&)> hold) {
    hold_events_ = std::move(hold);
  }
  void HoldEventsDuring(const std::function<void()>& loop) {
    if (hold_events_) {
      hold_events_(loop);
    } else {
      loop();
    }
  }
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
  QUrl outside_page_;
  std::function<int()> language_;
  std::function<PageTrust(const QUrl&)> trust_;
  std::function<void(const std::string&)> open_outside_;
  QElapsedTimer last_outside_;
  std::function<void(const std::function<void()>&)> hold_events_;
  QIcon own_icon_;
  std::function<void(QWebEngineDownloadRequest*)> download_handler_;
  QWebEngineProfile* profile_ = nullptr;  // deleted after every page that uses it
  std::vector<QPointer<QWebEngineView>> own_windows_;
};

}  // namespace lumora::qtview
