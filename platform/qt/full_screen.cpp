#include "platform/qt/full_screen.h"

#include <QEvent>
#include <QKeySequence>
#include <QScreen>
#include <QShortcut>
#include <QTimer>
#include <QWebEngineView>
#include <QWindow>
#include <utility>

namespace lumora::qtview {

FullScreen::FullScreen(QWebEngineView* view, std::function<void()> leave)
    : view_(view), window_(view->window()), leave_(std::move(leave)) {
  QWidget* window = window_.data();
  window_geometry_ =
      window->normalGeometry().isValid() ? window->normalGeometry() : window->geometry();
  window_states_ = window->windowState();
  for (QWidget* w = view; w != nullptr && w != window; w = w->parentWidget()) {
    chain_.push_back({w, w->geometry()});
    for (QObject* sibling : w->parentWidget()->children()) {
      auto* other = qobject_cast<QWidget*>(sibling);
      if (other == nullptr || other == w || other->isWindow() || other->isHidden()) continue;
      other->hide();
      hidden_.emplace_back(other);
    }
  }
  // Before the page's own key handling sees it, as a browser does.
  escape_ = new QShortcut(QKeySequence(Qt::Key_Escape), window);
  escape_->setContext(Qt::WindowShortcut);
  connect(escape_, &QShortcut::activated, this, [this] {
    if (leave_) leave_();
  });
  window->installEventFilter(this);
  window->showFullScreen();
  // Without a window manager nobody acts on the full-screen state: cover the screen by hand,
  // once the page has been told it is full screen, so that it sees the resize after that, as
  // it does under a window manager. Through the native window: QWidget::setGeometry takes
  // the full-screen state off the widget, and the window would be reported as placed there.
  QTimer::singleShot(0, this, [this] {
    QScreen* screen = window_ ? window_->screen() : nullptr;
    QWindow* native = window_ ? window_->windowHandle() : nullptr;
    if (restored_ || screen == nullptr || native == nullptr ||
        window_->geometry() == screen->geometry()) {
      return;
    }
    native->setGeometry(screen->geometry());
  });
  Fit();
}

FullScreen::~FullScreen() {
  Restore();
}

void FullScreen::Restore() {
  if (restored_) return;
  restored_ = true;
  delete escape_.data();
  if (!window_) return;
  window_->removeEventFilter(this);
  for (const Moved& moved : chain_) {
    if (moved.widget) moved.widget->setGeometry(moved.geometry);
  }
  for (const QPointer<QWidget>& other : hidden_) {
    if (other) other->show();
  }
  if (window_states_.testFlag(Qt::WindowFullScreen)) return;
  // Back to normal first: a window's normal geometry can only be set while it is normal.
  window_->setWindowState(window_states_ & ~(Qt::WindowMaximized | Qt::WindowFullScreen));
  window_->setGeometry(window_geometry_);
  if (window_states_.testFlag(Qt::WindowMaximized)) window_->setWindowState(window_states_);
}

void FullScreen::Fit() {
  if (!window_) return;
  // Each container fills its parent, which the window's size ends.
  for (auto it = chain_.rbegin(); it != chain_.rend(); ++it) {
    QWidget* w = it->widget.data();
    if (w == nullptr || w->parentWidget() == nullptr) continue;
    w->setGeometry(w->parentWidget()->rect());
    w->raise();
  }
}

bool FullScreen::eventFilter(QObject* watched, QEvent* event) {
  if (watched == window_.data()) {
    switch (event->type()) {
      case QEvent::Resize:
      case QEvent::Show:
        if (!restored_) Fit();
        break;
      case QEvent::Hide:
      case QEvent::Close:
        // The window may be deleted right after: nothing of it may wait for the page.
        Restore();
        if (leave_) leave_();
        break;
      default:
        break;
    }
  }
  return QObject::eventFilter(watched, event);
}

}  // namespace lumora::qtview
