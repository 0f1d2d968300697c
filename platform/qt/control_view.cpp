#include "platform/qt/control_view.h"

#include <QMouseEvent>
#include <QPointer>
#include <QWidget>
#include <QWindow>
#include <algorithm>
#include <utility>

#include "platform/qt/qt_convert.h"

namespace lumora::qtview {

ControlView::ControlView(ControlContext context) : context_(std::move(context)) {}

void ControlView::ApplyProperty(Prop prop, const Value& value) {
  QWidget* widget = Widget();
  if (widget != nullptr) {
    switch (prop) {
      case Prop::Left:
        widget->move(AsInt(value), widget->y());
        return;
      case Prop::Top:
        widget->move(widget->x(), AsInt(value));
        return;
      case Prop::Width:
        widget->resize(std::max(0, AsInt(value)), widget->height());
        return;
      case Prop::Height:
        widget->resize(widget->width(), std::max(0, AsInt(value)));
        return;
      case Prop::Visible: {
        const bool shown = AsBool(value);
        if (shown) VisibilityChanged(true);
        widget->setVisible(shown);
        if (!shown) VisibilityChanged(false);
        return;
      }
      case Prop::HandCursor:
        if (AsBool(value)) {
          widget->setCursor(Qt::PointingHandCursor);
        } else {
          widget->unsetCursor();
        }
        return;
      default:
        break;
    }
  }
  Apply(prop, value);
}

void ControlView::Shutdown() {
  if (stopped_) return;
  stopped_ = true;
  Stop();
  if (QWidget* widget = Widget()) widget->disconnect(this);
}

void ControlView::Raise(Event event, EventArgs& args) {
  if (!stopped_ && context_.raise) context_.raise(event, args);
}

void ControlView::WatchPresses(QWidget* source) {
  source->installEventFilter(this);
}

bool ControlView::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  if ((type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick) &&
      watched->isWidgetType()) {
    auto* mouse = static_cast<QMouseEvent*>(event);
    Pressed(static_cast<QWidget*>(watched), mouse->button(), mouse->position().toPoint());
  }
  return false;  // the widget still gets its press: buttons and pages need it
}

void ControlView::Pressed(QWidget* source, Qt::MouseButton button, QPoint position) {
  if (stopped_ || (button != Qt::LeftButton && button != Qt::RightButton)) return;
  QWidget* widget = Widget();
  const QPoint at =
      widget != nullptr && source != widget ? source->mapTo(widget, position) : position;
  const Event event = button == Qt::LeftButton ? Event::LeftButtonDown : Event::RightButtonDown;
  // A borderless window moves by its title bar: a container picture box and the pictures and
  // labels on it, wherever the behaviours do not claim the press for themselves.
  const ControlKind kind = context_.def->kind;
  const bool on_title_bar = context_.holds_controls || !context_.def->parent.empty();
  if (event == Event::LeftButtonDown && on_title_bar &&
      (kind == ControlKind::PictureBox || kind == ControlKind::TransparentLabel) &&
      context_.is_bound && !context_.is_bound(event)) {
    if (QWindow* handle = widget->window()->windowHandle()) handle->startSystemMove();
    return;
  }
  EventArgs args;
  args.x = at.x();
  args.y = at.y();
  Raise(event, args);
}

ControlView* CreateControlView(ControlContext context, QObject* owner) {
  const ControlDef& def = *context.def;
  ControlView* view = nullptr;
  switch (def.kind) {
    case ControlKind::PictureBox:
      view = NewPictureBox(std::move(context));
      break;
    case ControlKind::TransparentLabel:
      view = NewTransparentLabel(std::move(context));
      break;
    case ControlKind::StatusBar:
      view = NewStatusBar(std::move(context));
      break;
    case ControlKind::GraphicButton:
      view = NewGraphicButton(std::move(context));
      break;
    case ControlKind::CheckBox:
      view = NewCheckBox(std::move(context));
      break;
    case ControlKind::Timer:
      view = NewTimer(std::move(context));
      break;
    case ControlKind::MenuSkinner:
      view = NewMenuSkinner(std::move(context));
      break;
    case ControlKind::WebBrowser:
      view = NewBrowser(std::move(context), true);
      break;
    case ControlKind::HtmlView:
      view = NewBrowser(std::move(context), false);
      break;
  }
  if (view == nullptr) return nullptr;
  view->setParent(owner);
  if (QWidget* widget = view->Widget()) {
    widget->setObjectName(ToQString(def.name));
    // A press on a control is that control's event only, never also its container's.
    widget->setAttribute(Qt::WA_NoMousePropagation);
    widget->setGeometry(def.left, def.top, std::max(0, def.width), std::max(0, def.height));
    widget->setVisible(def.visible);
  }
  return view;
}

}  // namespace lumora::qtview
