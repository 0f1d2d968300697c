// A view that shows nothing: it runs the program on a virtual clock, lets tests raise the
// events a user or a browser would, and records what the program asked of the desktop.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "platform/program.h"
#include "platform/view.h"

namespace lumora {

class HeadlessView : public View {
 public:
  struct MessageBoxCall {
    std::string text;
    int flags = 0;
    std::string title;
    std::int64_t at_ms = 0;
  };
  struct MenuCall {
    WindowId window;
    std::string menu;
    std::optional<Point> at;
  };
  struct TrayIcon {
    std::string icon_path;
    std::string tooltip;
  };
  struct BrowserCommandCall {
    WindowId window;
    std::string control;
    BrowserCommand command;
  };

  // --- the virtual clock and scripted events ---------------------------------------------
  std::int64_t Now() const { return now_ms_; }
  // Runs `action` when virtual time reaches `at_ms` inside any loop (message loop, Delay,
  // a modal window, a message box), or at the next RunFor.
  void At(std::int64_t at_ms, std::function<void()> action);
  // Runs `action` at the current virtual time, the next time a loop runs.
  void Post(std::function<void()> action) override { At(now_ms_, std::move(action)); }
  // The next blocking work (a service fetch) runs on a thread of its own while `action` runs
  // here, as a user or a page acting while the program waits; afterwards the view waits for the
  // work. Without one the work runs here, as a frozen thread would.
  void DuringNextWait(std::function<void()> action) { during_wait_.push_back(std::move(action)); }
  int Waits() const { return waits_; }
  // Advances virtual time by `ms`, delivering due timer ticks and scripted events.
  void RunFor(std::int64_t ms);
  // A loop that waits for something that never comes gives up after this much virtual time.
  void SetIdleHorizon(std::int64_t ms) { idle_horizon_ms_ = ms; }
  // Times a loop gave up waiting because nothing was left to happen.
  int StalledLoops() const { return stalled_loops_; }

  // --- what a user or a page does ----------------------------------------------------------
  // A click as the control's kind answers it: a graphic button raises its click, a check box
  // toggles and raises its click, a label raises left button down. Hidden controls and
  // windows cannot be clicked.
  void Click(WindowId window, std::string_view control);
  void RightClick(WindowId window, std::string_view control);
  void HoverLink(WindowId window, std::string_view browser, std::string_view address);
  // A page asks for a new window; returns true when the program cancelled it. Otherwise the
  // browser would open a plain window of its own, which is counted. `address` is the one
  // the request names, "" when it names none (a link clicked with the mouse).
  bool RequestNewWindow(WindowId window, std::string_view browser, std::string_view address = {});
  int OwnBrowserWindows() const { return own_browser_windows_; }
  void CompleteDocument(WindowId window, std::string_view browser, std::string_view address);
  void Tray(WindowId window, int kind);

  // --- what the desktop reports -------------------------------------------------------------
  // The window manager moved, resized, minimized or restored a window.
  void WindowManagerPlaces(WindowId window, Rect placement, bool minimized = false) {
    program_->ReportWindowPlacement(window, placement, minimized);
  }
  void SetScreenSize(Size size) { screen_ = size; }
  // Panels and docks: the free part of the screen (default: all of it).
  void SetWorkArea(Rect area) { work_area_ = area; }
  void SetCursorPosition(Point p) { cursor_ = p; }
  // A desktop without a notification area.
  void SetTrayAvailable(bool available) { tray_available_ = available; }
  // The item the next popped-up menu returns ("" dismisses it); without one, menus dismiss.
  void ChooseNextMenuItem(std::string path) { menu_choices_.push_back(std::move(path)); }
  // Runs while a message box is up, before it returns; the default just presses OK.
  void OnMessageBox(std::function<int(const MessageBoxCall&)> answer) {
    message_box_answer_ = std::move(answer);
  }

  // --- recorders ----------------------------------------------------------------------------
  const std::vector<MessageBoxCall>& MessageBoxes() const { return message_boxes_; }
  const std::vector<MenuCall>& Menus() const { return menus_; }
  const std::map<WindowId, TrayIcon>& TrayIcons() const { return tray_icons_; }
  const std::vector<BrowserCommandCall>& BrowserCommands() const { return browser_commands_; }
  // Controls sent to the bottom of their window, in call order ("window/control").
  const std::vector<std::string>& LoweredControls() const { return lowered_; }
  const std::vector<WindowId>& BroughtToFront() const { return raised_; }
  int TimerTicksDelivered() const { return ticks_delivered_; }
  // Every property change the program sent to the view.
  int PropertyChanges() const { return property_changes_; }

  // --- View -----------------------------------------------------------------------------------
  void Attach(Program& program) override { program_ = &program; }
  void WindowCreated(WindowId window) override;
  void WindowDestroyed(WindowId window) override;
  void PropertyChanged(WindowId window, std::string_view control, Prop prop,
                       const Value& value) override;
  void MoveToBottom(WindowId window, std::string_view control) override;
  void BringToFront(WindowId window) override { raised_.push_back(window); }
  void RunBrowserCommand(WindowId window, std::string_view control,
                         BrowserCommand command) override;
  std::string PopupMenu(WindowId window, std::string_view menu, std::optional<Point> at) override;
  int ShowMessageBox(std::string_view text, int flags, std::string_view title) override;
  void SetTrayIcon(WindowId window, std::string_view icon_path, std::string_view tooltip) override;
  bool TrayAvailable() override { return tray_available_; }
  void SetStatusText(WindowId, std::string_view, int, std::string_view) override {}
  Size ScreenSize() override { return screen_; }
  Rect WorkArea(WindowId) override {
    return work_area_ ? *work_area_ : Rect{0, 0, screen_.width, screen_.height};
  }
  Point CursorPosition() override { return cursor_; }
  void RunLoopUntil(const std::function<bool()>& done, std::optional<int> timeout_ms) override;
  void WakeLoops() override {}
  void RunBlocking(const std::function<void()>& work) override;

 private:
  struct TimerState {
    std::uint64_t generation = 0;
    int interval = 0;
    std::int64_t next_due = 0;
  };
  struct Scheduled {
    std::int64_t due = 0;
    std::uint64_t order = 0;
    std::function<void()> action;
  };

  void StartOrStopTimer(WindowId window, const std::string& control, int interval);
  // Delivers the earliest event due no later than `limit`; false when there is none.
  bool DeliverNext(std::int64_t limit);

  Program* program_ = nullptr;
  std::int64_t now_ms_ = 0;
  std::int64_t idle_horizon_ms_ = 10 * 60 * 1000;
  int stalled_loops_ = 0;
  std::deque<std::function<void()>> during_wait_;
  int waits_ = 0;
  std::uint64_t next_order_ = 0;
  std::vector<Scheduled> scheduled_;
  std::map<std::pair<WindowId, std::string>, TimerState> timers_;
  int ticks_delivered_ = 0;
  int property_changes_ = 0;
  int own_browser_windows_ = 0;

  Size screen_{1366, 768};
  std::optional<Rect> work_area_;
  Point cursor_{};
  bool tray_available_ = true;
  std::deque<std::string> menu_choices_;
  std::function<int(const MessageBoxCall&)> message_box_answer_;

  std::vector<MessageBoxCall> message_boxes_;
  std::vector<MenuCall> menus_;
  std::map<WindowId, TrayIcon> tray_icons_;
  std::vector<BrowserCommandCall> browser_commands_;
  std::vector<std::string> lowered_;
  std::vector<WindowId> raised_;
};

}  // namespace lumora
