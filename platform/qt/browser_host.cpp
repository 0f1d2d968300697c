#include "platform/qt/browser_host.h"

#include <QAuthenticator>
#include <QChildEvent>
#include <QCoreApplication>
#include <QDir>
#include <QGuiApplication>
#include <QScreen>
#include <QStandardPaths>
#include <QTimer>
#include <QUrlQuery>
#include <QWebEngineClientCertificateSelection>
#include <QWebEngineNewWindowRequest>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <QWebEngineView>
#include <algorithm>
#include <utility>

#include "platform/qt/browser_engine.h"
#include "platform/qt/full_screen.h"
#include "platform/qt/permissions.h"
#include "platform/qt/script_dialog.h"

namespace lumora::qtview {

namespace {

// A second death this soon after the reload that followed the first is not worth a third try.
constexpr int kCrashWindowMs = 30000;
constexpr QSize kOwnWindowSize(1000, 700);
constexpr std::size_t kOwnWindowLimit = 8;
// The engine tells no user gesture for a navigation: a link or a form the page follows this
// soon after a click or a key in it is taken for the user's.
constexpr qint64 kUserActionMs = 1000;
constexpr qint64 kOutsideIntervalMs = 1000;

// What the engine asks through confirm() when a page's leave handler objects; the engine's
// own text, so this is how it is told from a page's confirm().
QString LeavePromptText() {
  return QCoreApplication::translate(
      "QWebEnginePage",
      "Are you sure you want to leave this page? Changes that you made may not be saved.");
}

class InputWatch : public QObject {
 public:
  InputWatch(QWebEngineView* view, BrowserPage* page) : QObject(view), page_(page) {
    view->installEventFilter(this);
    for (QObject* child : view->children()) {
      if (child->isWidgetType()) child->installEventFilter(this);
    }
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    switch (event->type()) {
      case QEvent::ChildAdded:
        // The engine replaces the widget that takes the input when a page needs a new one.
        if (QObject* child = static_cast<QChildEvent*>(event)->child(); child->isWidgetType())
          child->installEventFilter(this);
        break;
      case QEvent::MouseButtonPress:
      case QEvent::MouseButtonRelease:
      case QEvent::KeyPress:
      case QEvent::TouchBegin:
        if (page_) page_->NoteUserInput();
        break;
      default:
        break;
    }
    return QObject::eventFilter(watched, event);
  }

 private:
  QPointer<BrowserPage> page_;
};

}  // namespace

QRect FitOnScreen(QRect asked, const QScreen* screen) {
  const QRect free = screen != nullptr ? screen->availableGeometry() : QRect();
  QSize size = asked.width() > 0 && asked.height() > 0 ? asked.size() : kOwnWindowSize;
  if (free.isEmpty()) return QRect(asked.topLeft(), size);
  size = size.boundedTo(free.size());
  // A page's own position counts from the screen's corner; none: the middle.
  QPoint at = asked.width() > 0 && asked.height() > 0 && !asked.topLeft().isNull()
                  ? asked.topLeft()
                  : free.center() - QPoint(size.width() / 2, size.height() / 2);
  at.setX(std::clamp(at.x(), free.left(), free.right() - size.width() + 1));
  at.setY(std::clamp(at.y(), free.top(), free.bottom() - size.height() + 1));
  return QRect(at, size);
}

BrowserPage::BrowserPage(BrowserHost* host, QObject* parent)
    : QWebEnginePage(host->Profile(), parent), host_(host), crash_page_(host->CrashPage()) {
  connect(this, &QWebEnginePage::newWindowRequested, this, &BrowserPage::OnNewWindow);
  connect(this, &QWebEnginePage::fullScreenRequested, this, &BrowserPage::OnFullScreen);
  connect(this, &QWebEnginePage::renderProcessTerminated, this,
          [this](RenderProcessTerminationStatus status, int) { OnProcessEnded(status); });
  // Cleared before each navigation: only the one about to be decided may set it.
  connect(this, &QWebEnginePage::loadStarted, this, [this] { refused_navigation_ = false; });
  // Pages get no answer to an authentication or a client-certificate request: neither is
  // asked of the user.
  connect(this, &QWebEnginePage::authenticationRequired, this, [](const QUrl&, QAuthenticator*) {});
  connect(this, &QWebEnginePage::selectClientCertificate, this,
          [](QWebEngineClientCertificateSelection selection) { selection.selectNone(); });
  connect(this, &QWebEnginePage::loadFinished, this, [this](bool ok) {
    const QUrl address = url();
    if (!ok || address.isEmpty() || address.scheme() == QLatin1String("chrome")) return;
    if (address.adjusted(QUrl::RemoveQuery) == crash_page_) {
      crash_page_again_ = false;
      return;
    }
    last_address_ = address;
  });
  // A video portal needs none of these; asking the user would only be in the way. Clipboard
  // reads stay off through the settings' default, and the engine refuses what it cannot ask.
  DenyAllPermissions(this);
}

BrowserPage::~BrowserPage() = default;

void BrowserPage::OnFullScreen(QWebEngineFullScreenRequest request) {
  if (!request.toggleOn()) {
    full_screen_.reset();
    request.accept();
    return;
  }
  QWebEngineView* view = QWebEngineView::forPage(this);
  if (view == nullptr || view->window() == nullptr) {
    request.reject();
    return;
  }
  if (!full_screen_) {
    // Queued: the page's answer ends the full screen, which must not happen inside the
    // window's own event handling.
    QPointer<BrowserPage> page(this);
    full_screen_ = std::make_unique<FullScreen>(view, [page] {
      QTimer::singleShot(0, page, [page] {
        if (page) page->triggerAction(ExitFullScreen);
      });
    });
  }
  request.accept();
}

void BrowserPage::OnProcessEnded(RenderProcessTerminationStatus status) {
  full_screen_.reset();
  // A page we discarded gave its process back on purpose; it reloads when it is shown.
  if (lifecycleState() == LifecycleState::Discarded) return;
  if (status == NormalTerminationStatus || last_address_.isEmpty()) return;
  QUrl next = last_address_;
  if (!crash_page_.isEmpty() && url().adjusted(QUrl::RemoveQuery) == crash_page_) {
    // The local page's own process ended, often killed together with the page's: it comes
    // back as it was, once until it has loaded, so one that cannot live never loops. The
    // user's page loads again only from its button.
    if (crash_page_again_) return;
    crash_page_again_ = true;
    next = url();
  } else if (!reloaded_for_.hasExpired()) {
    if (crash_page_.isEmpty()) return;
    next = crash_page_;
    QUrlQuery query;
    query.addQueryItem(QStringLiteral("url"),
                       QString::fromUtf8(last_address_.toEncoded(QUrl::FullyEncoded)));
    query.addQueryItem(QStringLiteral("lang"), QString::number(host_->Language()));
    next.setQuery(query);
    reloaded_for_ = QDeadlineTimer();  // expired: the next death reloads again
  } else {
    reloaded_for_.setRemainingTime(kCrashWindowMs);
  }
  // Not from inside the engine's report of the death.
  QTimer::singleShot(0, this, [this, next] { setUrl(next); });
}

void BrowserPage::OnNewWindow(QWebEngineNewWindowRequest& request) {
  const NewWindowAsk ask{request.requestedUrl(), request.isUserInitiated(),
                         request.requestedGeometry()};
  if (QWebEnginePage* page = Decide(ask)) request.openIn(page);
}

QWebEnginePage* BrowserPage::createWindow(WebWindowType) {
  // The engine asks here first, with nothing but the kind of window; the request signal
  // that follows carries the address and whether the user asked, and decides.
  return nullptr;
}

QWebEnginePage* BrowserPage::Decide(const NewWindowAsk& ask) {
  // A copy: the handler may end the window, and with it clear on_new_window, while it runs.
  const std::function<bool(const NewWindowAsk&)> handler = on_new_window;
  QPointer<BrowserPage> alive(this);
  if (!handler || !handler(ask) || !alive) return nullptr;
  // Windows of ours show trusted pages only, as every browser does; the user's link to
  // another site opens in the desktop's browser instead.
  if (!ask.address.isEmpty()) {
    const PageTrust trust = host_->Trust(ask.address);
    if (trust != PageTrust::kShow) {
      if (trust == PageTrust::kDesktop && ask.user_initiated) host_->OpenOutside(ask.address);
      return nullptr;
    }
  }
  if (own_window_) {
    // One window per page: a page that asks in a loop gets the same one, navigated.
    // Not raised: a page that asks in a loop must not keep taking the user's focus.
    if (!ask.address.isEmpty()) own_window_->setUrl(ask.address);
    return nullptr;
  }
  // Windows of ours open windows too: a chain of pages each opening the next stops here.
  if (host_->OwnWindows().size() >= kOwnWindowLimit) return nullptr;
  BrowserPage* page = host_->OpenOwnWindow(ask.geometry, QWebEngineView::forPage(this));
  own_window_ = QWebEngineView::forPage(page);
  // The address until the page names itself: never a window without a caption.
  if (!ask.address.isEmpty()) own_window_->setWindowTitle(ask.address.toDisplayString());
  return page;
}

void BrowserPage::Load(const QUrl& address) {
  switch (host_->Trust(address)) {
    case PageTrust::kShow:
      setUrl(address);
      return;
    case PageTrust::kDesktop:
      host_->OpenOutside(address);
      setUrl(host_->OutsidePageFor(address));
      return;
    case PageTrust::kNowhere:
      setUrl(host_->OutsidePageFor(QUrl()));
      return;
  }
}

bool BrowserPage::RecentUserInput() const {
  return user_input_.isValid() && user_input_.elapsed() <= kUserActionMs;
}

bool BrowserPage::acceptNavigationRequest(const QUrl& url, NavigationType type, bool main_frame) {
  // Frames may come from anywhere (advertising); each site runs in a process of its own.
  if (!main_frame) return true;
  bool user_made = false;
  switch (type) {
    case NavigationTypeLinkClicked:
    case NavigationTypeFormSubmitted:
      user_made = RecentUserInput();
      break;
    case NavigationTypeRedirect:
      user_made = navigation_user_made_;
      break;
    default:
      break;
  }
  const PageTrust trust = host_->Trust(url);
  if (trust == PageTrust::kShow) {
    if (type != NavigationTypeRedirect) {
      navigation_user_made_ = user_made;
      navigation_by_program_ = type == NavigationTypeTyped;
      if (type != NavigationTypeReload) dialogs_refused_ = false;
    }
    return true;
  }
  // A load the program asked for fails as any failed load does; the page's own attempts
  // leave it as it was, without a word to the behaviours.
  refused_navigation_ = !(type == NavigationTypeRedirect && navigation_by_program_);
  if (user_made && trust == PageTrust::kDesktop) host_->OpenOutside(url);
  return false;
}

BrowserPage::DialogAnswer BrowserPage::RunDialog(int kind, const QUrl& origin,
                                                 const QString& message,
                                                 const QString& default_text) {
  if (quiet_dialogs_ || dialogs_refused_) return {};
  QWebEngineView* view = QWebEngineView::forPage(this);
  QWidget* window = view != nullptr ? view->window() : nullptr;
  // A page nobody sees gets no box either: it would stand alone on the screen.
  if (window == nullptr || !window->isVisible() || !view->isVisible()) return {};
  ScriptDialogAnswer answer;
  QPointer<BrowserPage> alive(this);
  host_->HoldEventsDuring([&] {
    answer = RunScriptDialog(window, static_cast<ScriptDialogKind>(kind), origin, message,
                             default_text, host_->Language());
  });
  if (!alive) return {};
  if (answer.refuse_more) dialogs_refused_ = true;
  return DialogAnswer{answer.accepted, answer.text};
}

void BrowserPage::javaScriptAlert(const QUrl& origin, const QString& message) {
  RunDialog(static_cast<int>(ScriptDialogKind::kAlert), origin, message, QString());
}

bool BrowserPage::javaScriptConfirm(const QUrl& origin, const QString& message) {
  // A leave handler never keeps a window of ours open or the program from ending.
  if (message == LeavePromptText()) return true;
  return RunDialog(static_cast<int>(ScriptDialogKind::kConfirm), origin, message, QString())
      .accepted;
}

bool BrowserPage::javaScriptPrompt(const QUrl& origin, const QString& message,
                                   const QString& default_text, QString* result) {
  const DialogAnswer answer =
      RunDialog(static_cast<int>(ScriptDialogKind::kPrompt), origin, message, default_text);
  if (answer.accepted && result != nullptr) *result = answer.text;
  return answer.accepted;
}

QStringList BrowserPage::chooseFiles(FileSelectionMode mode, const QStringList& old_files,
                                     const QStringList& accepted_types) {
  // The engine asks only after the user's click in the page; the chooser's loop holds the
  // program's events as a script dialog does.
  QStringList chosen;
  host_->HoldEventsDuring(
      [&] { chosen = QWebEnginePage::chooseFiles(mode, old_files, accepted_types); });
  return chosen;
}

void WatchUserInput(QWebEngineView* view, BrowserPage* page) {
  new InputWatch(view, page);
}

QUrl BrowserHost::OutsidePageFor(const QUrl& address) const {
  QUrl page = outside_page_;
  if (page.isEmpty()) return QUrl(QStringLiteral("about:blank"));
  QUrlQuery query;
  if (!address.isEmpty()) {
    query.addQueryItem(QStringLiteral("url"),
                       QString::fromUtf8(address.toEncoded(QUrl::FullyEncoded)));
  }
  query.addQueryItem(QStringLiteral("lang"), QString::number(Language()));
  page.setQuery(query);
  return page;
}

void BrowserHost::OpenOutside(const QUrl& address) {
  if (!open_outside_) return;
  if (last_outside_.isValid() && last_outside_.elapsed() < kOutsideIntervalMs) return;
  last_outside_.start();
  open_outside_(address.toString(QUrl::FullyEncoded).toStdString());
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
  // Players' full-screen buttons; the page class grants and shows it.
  profile_->settings()->setAttribute(QWebEngineSettings::FullScreenSupportEnabled, true);
  HardenBrowserSettings(profile_->settings());
  QObject::connect(profile_, &QWebEngineProfile::downloadRequested, profile_,
                   [this](QWebEngineDownloadRequest* download) {
                     if (download_handler_) download_handler_(download);
                   });
  return profile_;
}

BrowserPage* BrowserHost::OpenOwnWindow(QRect asked, const QWidget* near) {
  auto* window = new QWebEngineView;
  window->setObjectName(QStringLiteral("OwnBrowserWindow"));
  window->setAttribute(Qt::WA_DeleteOnClose);
  if (!own_icon_.isNull()) window->setWindowIcon(own_icon_);
  auto* page = new BrowserPage(this, window);
  // Sign-in and payment windows open windows of their own too; each has its one.
  page->on_new_window = [](const NewWindowAsk&) { return true; };
  window->setPage(page);
  WatchUserInput(window, page);
  QObject::connect(page, &QWebEnginePage::windowCloseRequested, window, &QWidget::close);
  QObject::connect(page, &QWebEnginePage::titleChanged, window, &QWidget::setWindowTitle);
  QObject::connect(page, &QWebEnginePage::geometryChangeRequested, window,
                   [window](const QRect& wanted) {
                     window->setGeometry(FitOnScreen(wanted, window->screen()));
                   });
  const QScreen* screen = near != nullptr && near->screen() != nullptr
                              ? near->screen()
                              : QGuiApplication::primaryScreen();
  window->setGeometry(FitOnScreen(asked, screen));
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
