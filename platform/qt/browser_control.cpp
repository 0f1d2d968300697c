// Browsers and HTML views: a QWebEngineView each, on the program's shared profile.
#include <QChildEvent>
#include <QPointer>
#include <QTimer>
#include <QUrl>
#include <QVariant>
#include <QWebEngineScript>
#include <QWebEngineView>
#include <utility>

#include "platform/qt/browser_host.h"
#include "platform/qt/control_view.h"
#include "platform/qt/qt_convert.h"

namespace lumora::qtview {

namespace {

// A page the behaviours have hidden gives its page process back after this long, unless it
// plays media; it reloads its address when they show it again.
constexpr int kDiscardAfterMs = 2000;
// Run in the program's own world, so the page can neither see nor answer it.
constexpr char kPlayingScript[] =
    "Array.from(document.querySelectorAll('video,audio'))"
    ".some(function (m) { return !m.paused && !m.ended; })";

class BrowserView final : public ControlView {
 public:
  BrowserView(ControlContext context, bool raises_events)
      : ControlView(std::move(context)),
        view_(new QWebEngineView(Context().parent)),
        raises_events_(raises_events) {
    view_object_ = view_;
    page_ = new BrowserPage(Context().browsers, view_);
    view_->setPage(page_);
    WatchUserInput(view_, page_);
    page_->SetQuietDialogs(Context().def->props.opens_links_outside);
    // Our windows offer their own menus; the engine's (back, reload, save page...) would
    // not belong to them. "No menu" still lets the engine show its own once ours has closed
    // and the press reaches the page; a custom menu that nobody provides shows nothing.
    view_->setContextMenuPolicy(Qt::CustomContextMenu);
    page_->on_new_window = [this, raises_events](const NewWindowAsk& ask) {
      return MayOpenOwnWindow(ask, raises_events);
    };
    discard_timer_.setSingleShot(true);
    discard_timer_.setInterval(kDiscardAfterMs);
    connect(&discard_timer_, &QTimer::timeout, this, [this] { MayDiscard(); });
    view_->installEventFilter(this);
    connect(page_, &QWebEnginePage::loadStarted, this, [this] { loading_ = true; });
    connect(page_, &QWebEnginePage::loadFinished, this, [this](bool ok) {
      loading_ = false;
      // A navigation the page tried and was refused left it as it was: nothing completed.
      if (!ok && page_ && page_->TakeRefusedNavigation()) return;
      const bool restored = std::exchange(restoring_, false);
      if (HiddenByBehaviours()) discard_timer_.start();
      // Raised for error pages too: what waits for a page must not wait for ever. A page
      // that comes back from being discarded loaded nothing the behaviours asked for.
      if (!raises_events_ || restored || !page_) return;
      EventArgs args;
      args.text = page_->url().toString().toStdString();
      Raise(Event::DocumentComplete, args);
    });
    if (!raises_events) return;

    // The engine puts a child widget over the view that gets all mouse input, and replaces
    // it when a page needs a new renderer: watch every child as it comes.
    for (QObject* child : view_->children()) {
      if (child->isWidgetType()) WatchPresses(static_cast<QWidget*>(child));
    }
    connect(page_, &QWebEnginePage::linkHovered, this, [this](const QString& url) {
      EventArgs args;
      args.text = url.toStdString();
      Raise(Event::StatusTextChange, args);
    });
  }
  QWidget* Widget() const override { return view_; }

  void RunCommand(BrowserCommand command) override {
    if (!view_) return;
    if (Discarded()) {
      // A discarded page has nothing to stop; the others need its page back first (the
      // engine ignores a step in the history of a page without a process).
      if (command == BrowserCommand::Stop) return;
      restoring_ = false;
      page_->setLifecycleState(QWebEnginePage::LifecycleState::Active);
    }
    switch (command) {
      case BrowserCommand::GoBack:
        view_->back();
        break;
      case BrowserCommand::GoForward:
        view_->forward();
        break;
      case BrowserCommand::Refresh:
        view_->reload();
        break;
      case BrowserCommand::Stop:
        view_->stop();
        break;
    }
  }

 protected:
  void Apply(Prop prop, const Value& value) override {
    if (prop != Prop::Address || !view_) return;
    const QString address = ToQString(AsText(value)).trimmed();
    // The engine wakes a discarded page for the load; its one completion is this address's.
    restoring_ = false;
    discard_timer_.stop();
    page_->Load(address.isEmpty() ? QUrl(QStringLiteral("about:blank"))
                                  : QUrl::fromUserInput(address));
  }

  void VisibilityChanged(bool shown) override {
    if (!shown) {
      discard_timer_.start();
      return;
    }
    discard_timer_.stop();
    // Before the widget shows, so the page is on its way when the window paints.
    if (Discarded()) {
      restoring_ = true;
      page_->setLifecycleState(QWebEnginePage::LifecycleState::Active);
    }
  }

  void Stop() override {
    discard_timer_.stop();
    if (page_) {
      page_->on_new_window = nullptr;
      page_->disconnect(this);
    }
    if (view_) view_->stop();
  }

  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == view_object_) {
      if (event->type() == QEvent::Show) was_shown_ = true;
      if (!raises_events_) return false;
      if (event->type() == QEvent::ChildAdded) {
        QObject* child = static_cast<QChildEvent*>(event)->child();
        if (child->isWidgetType()) WatchPresses(static_cast<QWidget*>(child));
      }
      return false;
    }
    return ControlView::eventFilter(watched, event);
  }

 private:
  bool MayOpenOwnWindow(const NewWindowAsk& ask, bool raises_events) {
    if (Stopped()) return false;
    if (Context().def->props.opens_links_outside && ask.user_initiated) {
      // An advert's link leaves the program, as it did in a browser; a page that asks in a
      // loop gets one desktop window a second at most.
      Context().browsers->OpenOutside(ask.address);
      return false;
    }
    if (!raises_events) return true;
    EventArgs args;
    args.text = ask.address.toString(QUrl::FullyEncoded).toStdString();
    args.cancel = false;
    QPointer<BrowserView> alive(this);
    Raise(Event::NewWindow2, args);
    return alive && !Stopped() && !args.cancel;
  }

  bool Discarded() const {
    return page_ && page_->lifecycleState() == QWebEnginePage::LifecycleState::Discarded;
  }
  // Hidden through its Visible property after it was on screen: a page the behaviours only
  // load hidden, to show it later, is never discarded.
  bool HiddenByBehaviours() const {
    return view_ && was_shown_ && view_->isHidden() && page_ && !page_->isVisible();
  }
  bool MayDiscardNow() const {
    return !Stopped() && HiddenByBehaviours() && !loading_ && !page_->recentlyAudible() &&
           page_->lifecycleState() == QWebEnginePage::LifecycleState::Active;
  }

  void MayDiscard() {
    if (!MayDiscardNow()) {
      if (!Stopped() && HiddenByBehaviours() && !Discarded()) discard_timer_.start();
      return;
    }
    // Media that plays silently is still the user's: ask the page itself.
    QPointer<BrowserView> self(this);
    page_->runJavaScript(
        QString::fromLatin1(kPlayingScript), QWebEngineScript::ApplicationWorld,
        [self](const QVariant& playing) {
          if (!self || !self->MayDiscardNow()) return;
          if (playing.toBool()) {
            self->discard_timer_.start();
            return;
          }
          self->page_->setLifecycleState(QWebEnginePage::LifecycleState::Discarded);
        });
  }

  QPointer<QWebEngineView> view_;
  // For comparisons in the event filter, which still runs while the view is being destroyed
  // and no longer is a QWebEngineView.
  const QObject* view_object_ = nullptr;
  QPointer<BrowserPage> page_;
  const bool raises_events_;
  QTimer discard_timer_;
  bool was_shown_ = false;
  bool loading_ = false;
  // The next completion is the reload of a page that was discarded, not a page the
  // behaviours asked for.
  bool restoring_ = false;
};

}  // namespace

ControlView* NewBrowser(ControlContext context, bool raises_events) {
  return new BrowserView(std::move(context), raises_events);
}

}  // namespace lumora::qtview
