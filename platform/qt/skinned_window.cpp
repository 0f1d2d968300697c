#include "platform/qt/skinned_window.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>
#include <algorithm>

#include "platform/qt/graphic_button.h"
#include "platform/qt/qt_convert.h"

namespace lumora::qtview {

SkinnedWindow::SkinnedWindow() : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint) {}

void SkinnedWindow::Apply(Prop prop, const Value& value) {
  switch (prop) {
    case Prop::Left:
      move(AsInt(value), y());
      break;
    case Prop::Top:
      move(x(), AsInt(value));
      break;
    case Prop::Width:
      resize(std::max(0, AsInt(value)), height());
      break;
    case Prop::Height:
      resize(width(), std::max(0, AsInt(value)));
      break;
    case Prop::Text:
      setWindowTitle(ToQString(AsText(value)));
      break;
    case Prop::Visible:
      shown_ = AsBool(value);
      ShowAsModelSays();
      break;
    case Prop::WindowState:
      minimized_ = AsInt(value) == kWindowStateMinimized;
      if (shown_) {
        ShowAsModelSays();
      } else {
        // Remembered for when the window is shown; a hidden window stays hidden.
        setWindowState(minimized_ ? Qt::WindowMinimized : Qt::WindowNoState);
      }
      break;
    case Prop::TopMost:
      SetTopMost(AsBool(value));
      break;
    case Prop::BackgroundPicture:
      background_ = PixmapFromBytes(AsBytes(value));
      update();
      break;
    default:
      break;
  }
}

void SkinnedWindow::ShowAsModelSays() {
  if (shown_ && focusWidget() == nullptr) ChooseFirstFocus();
  if (!shown_) {
    hide();
  } else if (minimized_) {
    showMinimized();
  } else {
    if (isHidden() && windowHandle() != nullptr) {
      // Minimized once and then restored by the window manager, an X window keeps "start
      // iconic" in its hints, and would come back minimized: state it anew while hidden.
      setWindowState(Qt::WindowMinimized);
      setWindowState(Qt::WindowNoState);
    }
    showNormal();
  }
}

void SkinnedWindow::ChooseFirstFocus() {
  // The keys go where they went before picture buttons took part in the Tab order: to the
  // first control that takes focus by Tab (a page, a check box) and otherwise to the window
  // itself, never to a button that Enter or Space would press unasked.
  for (QWidget* next = nextInFocusChain(); next != nullptr && next != this;
       next = next->nextInFocusChain()) {
    if (dynamic_cast<PictureButton*>(next) != nullptr || next->isWindow()) continue;
    QWidget* taker = next->focusProxy() != nullptr ? next->focusProxy() : next;
    if ((taker->focusPolicy() & Qt::TabFocus) == Qt::TabFocus && taker->isEnabled() &&
        next->isVisibleTo(this)) {
      next->setFocus(Qt::OtherFocusReason);
      return;
    }
  }
  setFocus(Qt::OtherFocusReason);
}

void SkinnedWindow::SetTopMost(bool on) {
  if (windowFlags().testFlag(Qt::WindowStaysOnTopHint) == on) return;
  // Changing the flags hides a top-level widget; it comes back as it was.
  setWindowFlag(Qt::WindowStaysOnTopHint, on);
  if (shown_) ShowAsModelSays();
}

void SkinnedWindow::paintEvent(QPaintEvent*) {
  if (background_.isNull()) return;  // the palette's window colour, painted by Qt
  QPainter painter(this);
  painter.drawPixmap(0, 0, background_);
}

void SkinnedWindow::mousePressEvent(QMouseEvent* event) {
  const Qt::MouseButton button = event->button();
  if ((button == Qt::LeftButton || button == Qt::RightButton) && on_press) {
    const auto handler = on_press;  // outlives a reassignment while it runs
    handler(button == Qt::LeftButton ? Event::LeftButtonDown : Event::RightButtonDown,
            event->position().toPoint());
  }
}

void SkinnedWindow::closeEvent(QCloseEvent* event) {
  // Windows come and go through the model only; a close from the window manager must not
  // leave a hidden widget behind a window the program believes is on screen.
  event->ignore();
}

void SkinnedWindow::moveEvent(QMoveEvent* event) {
  QWidget::moveEvent(event);
  ReportLater();
}

void SkinnedWindow::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  ReportLater();
}

void SkinnedWindow::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (event->type() != QEvent::WindowStateChange || !isVisible()) return;
  // Restored from the task bar or minimized by the window manager: the next show must not
  // undo what the user did.
  minimized_ = isMinimized();
  ReportLater();
}

void SkinnedWindow::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier && on_escape) {
    event->accept();
    const auto press = on_escape;  // outlives the window's end in the behaviour
    press();
    return;
  }
  QWidget::keyPressEvent(event);
}

void SkinnedWindow::ReportLater() {
  // Our own moves come back here too, often one coordinate at a time: report once the loop
  // is idle again, with whatever the window ended up as.
  if (report_pending_ || !on_window_manager) return;
  report_pending_ = true;
  QTimer::singleShot(0, this, [this] {
    report_pending_ = false;
    Report();
  });
}

void SkinnedWindow::Report() {
  if (!on_window_manager || !shown_ || !isVisible() || isFullScreen()) return;
  const auto report = on_window_manager;  // outlives a reassignment while it runs
  report(Rect{x(), y(), width(), height()}, isMinimized());
}

}  // namespace lumora::qtview
