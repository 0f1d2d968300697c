// What the program asks of whatever shows its windows. The Qt view puts real widgets on
// screen; the headless view records and runs on a virtual clock. Views read the model for
// the current state and call Program::Raise to feed events back.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "platform/types.h"

namespace lumora {

class Program;

class View {
 public:
  virtual ~View() = default;

  // Called once, before any window is loaded.
  virtual void Attach(Program& program) = 0;

  // Mirroring. A created window is read from the model in full; later changes arrive one
  // property at a time. Control "" is the window itself.
  virtual void WindowCreated(WindowId window) = 0;
  virtual void WindowDestroyed(WindowId window) = 0;
  virtual void PropertyChanged(WindowId window, std::string_view control, Prop prop,
                               const Value& value) = 0;
  virtual void MoveToBottom(WindowId window, std::string_view control) = 0;
  virtual void BringToFront(WindowId window) = 0;
  // The window is a modal dialog: while it is loaded the user works in it alone.
  virtual void SetModal(WindowId /*window*/) {}
  virtual void RunBrowserCommand(WindowId window, std::string_view control,
                                 BrowserCommand command) = 0;

  // Pops up a level-0 menu of the window (at the pointer when no point is given) and returns
  // the path of the chosen item, or "" when the menu was dismissed.
  virtual std::string PopupMenu(WindowId window, std::string_view menu,
                                std::optional<Point> at) = 0;
  // Modal message box; flags are the classic message-box flags (16 error, 48 warning,
  // 64 information). Returns the button pressed (1 = OK).
  virtual int ShowMessageBox(std::string_view text, int flags, std::string_view title) = 0;
  virtual void SetTrayIcon(WindowId window, std::string_view icon_path,
                           std::string_view tooltip) = 0;
  // Whether the desktop has a notification area to put an icon in; without one, a window
  // hidden "to the tray" could never be brought back.
  virtual bool TrayAvailable() = 0;
  virtual void SetStatusText(WindowId window, std::string_view control, int pane,
                             std::string_view text) = 0;

  virtual Size ScreenSize() = 0;
  // The part of the screen that holds `window` (the primary one when it is not shown) that
  // panels and docks leave free, in desktop coordinates.
  virtual Rect WorkArea(WindowId window) = 0;
  virtual Point CursorPosition() = 0;

  // Runs a nested event loop until `done` holds or, when given, the time has passed. Loops
  // re-test `done` whenever WakeLoops is called.
  virtual void RunLoopUntil(const std::function<bool()>& done, std::optional<int> timeout_ms) = 0;
  virtual void WakeLoops() = 0;
  // Runs `action` at the next turn of whichever event loop runs next.
  virtual void Post(std::function<void()> action) = 0;
  // Runs `work`, which blocks, to completion. A view may run it on another thread and keep
  // painting and answering the window manager meanwhile, but must hold the user's input and
  // hand the program nothing it would not hand a frozen thread (the program holds what it
  // is handed). By default the work simply runs here.
  virtual void RunBlocking(const std::function<void()>& work) { work(); }
};

}  // namespace lumora
