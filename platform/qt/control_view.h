// One control of a loaded window on screen. The kinds (labels, buttons, browsers...) derive
// from ControlView; the window's view finds them by control name and hands them property
// changes. A ControlView never owns its widget: the window widget does, so the whole window
// goes in one deleteLater.
#pragma once

#include <QObject>
#include <QPoint>
#include <QString>
#include <functional>
#include <string>

#include "platform/definition.h"

class QWidget;

namespace lumora::qtview {

class BrowserHost;

// What a control needs from the view around it. The functions are bound to one instance of
// the window: once that instance is gone they do nothing.
struct ControlContext {
  const ControlDef* def = nullptr;
  QWidget* parent = nullptr;  // the window widget or the container control's widget
  std::function<void(Event, EventArgs&)> raise;
  std::function<bool(Event)> is_bound;
  std::function<void(Prop, Value)> write_back;  // a value the user changed, into the model
  BrowserHost* browsers = nullptr;
  bool holds_controls = false;  // a container such as the title bar
  // What a screen reader announces for the control, asked afresh each time.
  std::function<SpokenName()> spoken_name;
};

class ControlView : public QObject {
 public:
  explicit ControlView(ControlContext context);

  // nullptr for controls that show nothing (timers, the menu skinner).
  virtual QWidget* Widget() const = 0;
  // Geometry, visibility and pointer shape for every kind; the rest by kind.
  void ApplyProperty(Prop prop, const Value& value);
  // The window is going: stop timers and let nothing more reach the program.
  void Shutdown();
  virtual void RunCommand(BrowserCommand) {}
  virtual void SetStatusText(const QString&) {}

 protected:
  virtual void Apply(Prop, const Value&) {}
  // The behaviours are about to show (true) or have just hidden (false) the widget.
  virtual void VisibilityChanged(bool) {}
  virtual void Stop() {}
  void Raise(Event event, EventArgs& args);
  bool Stopped() const { return stopped_; }
  const ControlContext& Context() const { return context_; }
  // Left and right presses on `source` raise LeftButtonDown / RightButtonDown.
  void WatchPresses(QWidget* source);
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Pressed(QWidget* source, Qt::MouseButton button, QPoint position);

  ControlContext context_;
  bool stopped_ = false;
};

// Creates the control's view and its widget (parented to context.parent), at its design
// geometry, named after the control.
ControlView* CreateControlView(ControlContext context, QObject* owner);

// The kinds, one file each.
ControlView* NewPictureBox(ControlContext context);
ControlView* NewTransparentLabel(ControlContext context);
ControlView* NewStatusBar(ControlContext context);
ControlView* NewGraphicButton(ControlContext context);
ControlView* NewCheckBox(ControlContext context);
ControlView* NewTimer(ControlContext context);
ControlView* NewMenuSkinner(ControlContext context);
ControlView* NewBrowser(ControlContext context, bool raises_events);

}  // namespace lumora::qtview
