// Browsers and HTML views: a QWebEngineView each, on the program's shared profile.
#include <QChildEvent>
#include <QElapsedTimer>
#include <QPointer>
#include <QUrl>
#include <QWebEngineView>

#include "platform/qt/browser_host.h"
#include "platform/qt/control_view.h"
#include "platform/qt/qt_convert.h"

namespace lumora::qtview {

namespace {

class BrowserView final : public ControlView {
 public:
  BrowserView(ControlContext context, bool raises_events)
      : ControlView(std::move(context)), view_(new QWebEngineView(Context().parent)) {
    view_object_ = view_;
    page_ = new BrowserPage(Context().browsers, view_);
    view_->setPage(page_);
    // Our windows offer their own menus; the engine's (back, reload, save page...) would
    // not belong to them. "No menu" still lets the engine show its own once ours has closed
    // and the press reaches the page; a custom menu that nobody provides shows nothing.
    view_->setContextMenuPolicy(Qt::CustomContextMenu);
    page_->on_new_window = [this, raises_events](const NewWindowAsk& ask) {
      return MayOpenOwnWindow(ask, raises_events);
    };
    if (!raises_events) return;

    // The engine puts a child widget over the view that gets all mouse input, and replaces
    // it when a page needs a new renderer: watch every child as it comes.
    view_->installEventFilter(this);
    for (QObject* child : view_->children()) {
      if (child->isWidgetType()) WatchPresses(static_cast<QWidget*>(child));
    }
    connect(page_, &QWebEnginePage::linkHovered, this, [this](const QString& url) {
      EventArgs args;
      args.text = url.toStdString();
      Raise(Event::StatusTextChange, args);
    });
    connect(page_, &QWebEnginePage::loadFinished, this, [this](bool) {
      // Raised for error pages too: what waits for a page must not wait for ever.
      if (!page_) return;
      EventArgs args;
      args.text = page_->url().toString().toStdString();
      Raise(Event::DocumentComplete, args);
    });
  }
  QWidget* Widget() const override { return view_; }

  void RunCommand(BrowserCommand command) override {
    if (!view_) return;
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
    view_->setUrl(address.isEmpty() ? QUrl(QStringLiteral("about:blank"))
                                    : QUrl::fromUserInput(address));
  }

  void Stop() override {
    if (page_) {
      page_->on_new_window = nullptr;
      page_->disconnect(this);
    }
    if (view_) view_->stop();
  }

  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == view_object_) {
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
      if (!last_outside_.isValid() || last_outside_.elapsed() >= kOutsideIntervalMs) {
        last_outside_.start();
        if (Context().open_outside)
          Context().open_outside(ask.address.toString(QUrl::FullyEncoded).toStdString());
      }
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

  static constexpr qint64 kOutsideIntervalMs = 1000;
  QElapsedTimer last_outside_;
  QPointer<QWebEngineView> view_;
  // For comparisons in the event filter, which still runs while the view is being destroyed
  // and no longer is a QWebEngineView.
  const QObject* view_object_ = nullptr;
  QPointer<BrowserPage> page_;
};

}  // namespace

ControlView* NewBrowser(ControlContext context, bool raises_events) {
  return new BrowserView(std::move(context), raises_events);
}

}  // namespace lumora::qtview
