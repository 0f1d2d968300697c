// Check boxes, timers and the menu skinner: controls with little or nothing on screen.
#include <QCheckBox>
#include <QEvent>
#include <QPointer>
#include <QSignalBlocker>
#include <QTimer>

#include "platform/qt/control_view.h"
#include "platform/qt/qt_convert.h"

namespace lumora::qtview {

namespace {

class CheckBoxView final : public ControlView {
 public:
  explicit CheckBoxView(ControlContext context)
      : ControlView(std::move(context)), box_(new QCheckBox(Context().parent)) {
    WatchPresses(box_);
    NameBox();
    // clicked is the user's toggle only; setChecked from the model below does not emit it,
    // so writing the value back cannot come round again.
    connect(box_, &QCheckBox::clicked, this, [this](bool checked) {
      if (Stopped()) return;
      // The behaviour reads the new value when it handles the click.
      if (Context().write_back) Context().write_back(Prop::Checked, checked);
      EventArgs args;
      Raise(Event::Clicked, args);
    });
  }
  QWidget* Widget() const override { return box_; }

 protected:
  // Named afresh as the box takes the focus, just before a screen reader announces it, so a
  // change of language in the open dialog is heard.
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == box_ && event->type() == QEvent::FocusIn) NameBox();
    return ControlView::eventFilter(watched, event);
  }
  void Apply(Prop prop, const Value& value) override {
    if (prop != Prop::Checked || !box_ || box_->isChecked() == AsBool(value)) return;
    const QSignalBlocker quiet(box_);
    box_->setChecked(AsBool(value));
  }

 private:
  void NameBox() {
    if (box_ && Context().spoken_name)
      box_->setAccessibleName(ToQString(Context().spoken_name().text));
  }

  QPointer<QCheckBox> box_;
};

class TimerView final : public ControlView {
 public:
  explicit TimerView(ControlContext context)
      : ControlView(std::move(context)), timer_(new QTimer(this)) {
    connect(timer_, &QTimer::timeout, this, [this] {
      EventArgs args;
      Raise(Event::Tick, args);
    });
  }
  QWidget* Widget() const override { return nullptr; }

 protected:
  void Apply(Prop prop, const Value& value) override {
    if (prop != Prop::Interval || Stopped()) return;
    // Setting the interval starts the count again, as it always has.
    if (AsInt(value) > 0) {
      timer_->start(AsInt(value));
    } else {
      timer_->stop();
    }
  }
  void Stop() override {
    timer_->stop();
    timer_->disconnect(this);
  }

 private:
  QTimer* timer_;
};

// Menus are styled when they pop up, from the window's definition; nothing to show here.
class MenuSkinnerView final : public ControlView {
 public:
  using ControlView::ControlView;
  QWidget* Widget() const override { return nullptr; }
};

}  // namespace

ControlView* NewCheckBox(ControlContext context) {
  return new CheckBoxView(std::move(context));
}
ControlView* NewTimer(ControlContext context) {
  return new TimerView(std::move(context));
}
ControlView* NewMenuSkinner(ControlContext context) {
  return new MenuSkinnerView(std::move(context));
}

}  // namespace lumora::qtview
