// The operations behaviours call: windows and controls, browsers, message boxes, menus,
// timers, nested loops and program end. Every operation keeps the model and the view in
// step; an operation on a window that is not loaded does nothing.
#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <stop_token>
#include <string>
#include <string_view>
#include <vector>

#include "platform/definition.h"
#include "platform/model.h"
#include "platform/shared_state.h"
#include "platform/system.h"
#include "platform/ui_wait.h"
#include "platform/view.h"

namespace lumora {

// Thrown by EndProgram to unwind the handler that asked for the end. Program::Raise catches
// it, so it never crosses a view's event loop; operations that run nested loops throw it
// again when the program ended meanwhile, so nothing after the end runs.
struct ProgramEnded {
  int exit_code = 0;
};

struct ControlRef {
  WindowId window = WindowId::MainWindow;
  std::string control;  // "" for the window itself
};

struct ProgramEnvironment {
  std::filesystem::path run_directory;  // the program file's directory
  std::string program_file_name;        // the program file's name without directory
};

class Program {
 public:
  Program(Catalogue catalogue, View& view, SystemServices& system, ProgramEnvironment env);
  ~Program();
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;

  // --- windows and controls -------------------------------------------------------------
  // Creates the window, runs its creation event and shows it. A window that is already
  // loaded is not created twice: its creation event runs again on the same instance and it
  // comes to the front (BringToFront). Modal: returns when the window has been destroyed.
  void LoadWindow(WindowId window, bool modal = false);
  void DestroyWindow(WindowId window);
  bool IsLoaded(WindowId window) const { return model_.IsLoaded(window); }
  // Puts a loaded window before the user: restored when minimized, above the other windows
  // and active.
  void BringToFront(WindowId window);

  void SetProperty(WindowId window, std::string_view control, Prop prop, Value value);
  Value GetProperty(WindowId window, std::string_view control, Prop prop) const;
  // Omitted values keep the current ones.
  void MoveControl(WindowId window, std::string_view control, std::optional<int> left,
                   std::optional<int> top = std::nullopt, std::optional<int> width = std::nullopt,
                   std::optional<int> height = std::nullopt);
  // Position 2 sends the control to the bottom of its window's z-order.
  void SetZOrder(WindowId window, std::string_view control, int position);
  int GetClientWidth(WindowId window) const;
  int GetClientHeight(WindowId window) const;
  void PopupMenu(WindowId window, std::string_view menu, std::optional<Point> at = std::nullopt);
  ControlRef GetEventSource() const;
  void SetTrayIcon(WindowId window, const std::string& icon_path, std::string_view tooltip);
  bool TrayAvailable() { return view_.TrayAvailable(); }
  void SetStatusText(WindowId window, std::string_view control, int pane, std::string_view text);
  int ShowMessageBox(std::string_view text, int flags, std::string_view title);
  int GetScreenWidth() { return view_.ScreenSize().width; }
  int GetScreenHeight() { return view_.ScreenSize().height; }
  Rect GetWorkArea(WindowId window) { return view_.WorkArea(window); }
  Point GetCursorPosition() { return view_.CursorPosition(); }

  // --- browsers ---------------------------------------------------------------------------
  void NavigateBrowser(WindowId window, std::string_view control, std::string_view address);
  void BrowserGoBack(WindowId window, std::string_view control);
  void BrowserGoForward(WindowId window, std::string_view control);
  void BrowserRefresh(WindowId window, std::string_view control);
  void BrowserStop(WindowId window, std::string_view control);

  // --- loop and program end -----------------------------------------------------------------
  // Waits while events keep being handled.
  void Delay(int milliseconds);
  // Dispatches events until MainWindow is destroyed or the program ends.
  void RunMessageLoop();
  [[noreturn]] void EndProgram(int exit_code);
  // Ends the program from outside any handler (a termination signal): like EndProgram, but
  // returns instead of unwinding, since no handler is on the stack to unwind.
  void Terminate(int exit_code);
  void RegisterExitCallback(std::function<void()> routine);
  // Runs the registered exit routines once; later calls do nothing.
  void RunExitCallbacks();
  bool Ended() const { return ended_; }
  // Runs blocking work (a service fetch) for the handler that is running, through the view,
  // which keeps the windows drawn meanwhile. Every event raised during the work is held and
  // handed to the loop afterwards, in order (a timer once). The end of the program stops the
  // work's token; then, as after a nested loop, this throws ProgramEnded.
  void Wait(const BlockingWork& work);
  // Runs a loop the view cannot leave out (the box of a page's alert) while holding every
  // event as Wait does, so no handler runs inside it; they run after it, in order.
  void HoldEventsDuring(const std::function<void()>& loop);
  int ExitCode() const { return exit_code_; }

  // --- events, from the view ------------------------------------------------------------------
  // Delivers an event to its bound behaviour. Ignored when the window is not loaded, the
  // control has no binding for it, or the program has ended.
  void Raise(WindowId window, std::string_view control, Event event, EventArgs& args);
  void Raise(WindowId window, std::string_view control, Event event) {
    EventArgs args;
    Raise(window, control, event, args);
  }
  bool HasBinding(WindowId window, std::string_view control, Event event) const;
  // What the window manager (or the user through it) did to a window: where it is now and
  // whether it is minimized. Updates the model only: no behaviour runs and nothing is sent
  // back to the view, which already shows it. The one way view facts reach the model.
  void ReportWindowPlacement(WindowId window, Rect placement, bool minimized);

  // --- services -----------------------------------------------------------------------------
  const std::filesystem::path& RunDirectory() const { return env_.run_directory; }
  // RunDirectory followed by a path relative to it ("Skins/Default/Top.jpg").
  std::filesystem::path LocalPath(std::string_view relative) const;
  const std::string& ProgramFileName() const { return env_.program_file_name; }
  std::filesystem::path ProgramPath() const { return env_.run_directory / env_.program_file_name; }
  SystemServices& System() { return system_; }
  // An address a page wants opened outside the program, checked by the catalogue's policy.
  void OpenOutside(const std::string& address) {
    if (catalogue_.open_outside != nullptr && !ended_) catalogue_.open_outside(*this, address);
  }
  PageTrust TrustOf(std::string_view address) const {
    return catalogue_.page_trust != nullptr ? catalogue_.page_trust(*this, address)
                                            : PageTrust::kShow;
  }
  SharedState& Shared() { return shared_; }
  const WindowModel& Model() const { return model_; }
  const WindowDef& Definition(WindowId window) const { return catalogue_.definition(window); }
  SpokenName SpokenNameOf(WindowId window, std::string_view control) const {
    return catalogue_.spoken_name ? catalogue_.spoken_name(*this, window, control) : SpokenName{};
  }

 private:
  struct HeldEvent {
    WindowId window;
    std::uint64_t generation;
    std::string control;
    Event event;
    EventArgs args;
  };
  void ThrowIfEnded() const;
  void Hold(WindowId window, std::string_view control, Event event, const EventArgs& args);
  void DeliverHeld();
  // Posts the held events to the loop once nothing holds them any more.
  void ReleaseHeld();
  void ApplyDesignPictures(WindowInstance& instance);

  Catalogue catalogue_;
  View& view_;
  SystemServices& system_;
  ProgramEnvironment env_;
  WindowModel model_;
  SharedState shared_;
  std::vector<ControlRef> event_sources_;
  std::vector<std::function<void()>> exit_callbacks_;
  bool exit_callbacks_ran_ = false;
  // Handlers running inside one another with no loop between them (see ui_turn.h).
  int handler_depth_ = 0;
  bool ended_ = false;
  int exit_code_ = 0;
  int holding_ = 0;
  std::stop_source* wait_stop_ = nullptr;
  std::vector<HeldEvent> held_;
  bool delivery_posted_ = false;
  // What the loop runs for us later checks this is still here.
  std::shared_ptr<int> life_ = std::make_shared<int>(0);
  BlockingRunner previous_runner_;
};

}  // namespace lumora
