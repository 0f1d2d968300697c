#include "platform/program.h"

#include <memory>
#include <utility>

#include "platform/files.h"
#include "platform/ui_turn.h"
#include "platform/ui_wait.h"

namespace lumora {

namespace {

// A nested loop lets the thread breathe: what it dispatches starts turns of its own, and the
// code after it is a new turn too. Handler nesting counts afresh inside the loop.
class LoopTurn {
 public:
  explicit LoopTurn(int& handler_depth)
      : depth_(handler_depth), saved_(std::exchange(handler_depth, 0)) {
    if (saved_ > 0) EndBusy();
    BeginUiTurn();
  }
  ~LoopTurn() {
    depth_ = saved_;
    BeginUiTurn();
    if (saved_ > 0) BeginBusy();
  }
  LoopTurn(const LoopTurn&) = delete;
  LoopTurn& operator=(const LoopTurn&) = delete;

 private:
  int& depth_;
  int saved_;
};

// A handler started from a loop begins a turn; one raised inside another handler (a creation
// event of the window it loads) continues the caller's.
class HandlerTurn {
 public:
  explicit HandlerTurn(int& handler_depth) : depth_(handler_depth) {
    if (depth_++ == 0) {
      BeginUiTurn();
      BeginBusy();
    }
  }
  ~HandlerTurn() {
    if (--depth_ == 0) EndBusy();
  }
  HandlerTurn(const HandlerTurn&) = delete;
  HandlerTurn& operator=(const HandlerTurn&) = delete;

 private:
  int& depth_;
};

}  // namespace

Program::Program(Catalogue catalogue, View& view, SystemServices& system, ProgramEnvironment env)
    : catalogue_(catalogue), view_(view), system_(system), env_(std::move(env)) {
  view_.Attach(*this);
  previous_runner_ = SetBlockingRunner([this](const BlockingWork& work) { Wait(work); });
}

Program::~Program() {
  SetBlockingRunner(std::move(previous_runner_));
  EndUiTurns();
}

void Program::ThrowIfEnded() const {
  if (ended_) throw ProgramEnded{exit_code_};
}

std::filesystem::path Program::LocalPath(std::string_view relative) const {
  return env_.run_directory / std::filesystem::path(relative);
}

// --- windows and controls -------------------------------------------------------------------

void Program::ApplyDesignPictures(WindowInstance& instance) {
  for (ControlState& c : instance.controls) {
    const InitialProps& init = c.def->props;
    if (init.picture.empty()) continue;
    Bytes picture = ReadFileBytes(LocalPath(init.picture));
    if (c.def->kind == ControlKind::GraphicButton) {
      c.props[Prop::NormalPicture] = picture;
      c.props[Prop::PressedPicture] = std::move(picture);
      if (!init.hover_picture.empty()) {
        c.props[Prop::HoverPicture] = ReadFileBytes(LocalPath(init.hover_picture));
      }
    } else {
      c.props[Prop::Picture] = std::move(picture);
    }
  }
}

void Program::LoadWindow(WindowId window, bool modal) {
  if (ended_) return;
  if (model_.IsLoaded(window)) {
    // Never a second instance: the newest request lands in the window the user already sees.
    Raise(window, "", Event::Created);
    ThrowIfEnded();
    BringToFront(window);
    return;
  }
  WindowInstance& instance = model_.Create(catalogue_.definition(window));
  const std::uint64_t generation = instance.generation;
  ApplyDesignPictures(instance);
  view_.WindowCreated(window);
  Raise(window, "", Event::Created);
  ThrowIfEnded();
  // The creation event may have destroyed the window (or destroyed and reloaded it).
  const WindowInstance* after = model_.Find(window);
  if (after == nullptr || after->generation != generation) return;
  if (modal) view_.SetModal(window);
  if (AsBool(model_.Get(window, "", Prop::Visible))) {
    view_.PropertyChanged(window, "", Prop::Visible, true);
  }
  if (!modal) return;
  {
    LoopTurn turn(handler_depth_);
    view_.RunLoopUntil(
        [this, window, generation] {
          const WindowInstance* w = model_.Find(window);
          return ended_ || w == nullptr || w->generation != generation;
        },
        std::nullopt);
  }
  ThrowIfEnded();
}

void Program::BringToFront(WindowId window) {
  if (ended_ || !model_.IsLoaded(window)) return;
  // Raised while minimized, the window would stay out of sight: the user clicked for nothing.
  if (AsInt(model_.Get(window, "", Prop::WindowState)) == kWindowStateMinimized) {
    SetProperty(window, "", Prop::WindowState, kWindowStateNormal);
  }
  view_.BringToFront(window);
}

void Program::DestroyWindow(WindowId window) {
  if (!model_.IsLoaded(window)) return;
  model_.Destroy(window);
  view_.WindowDestroyed(window);
  view_.WakeLoops();
}

void Program::SetProperty(WindowId window, std::string_view control, Prop prop, Value value) {
  if (!model_.Set(window, control, prop, value)) return;
  view_.PropertyChanged(window, control, prop, value);
}

Value Program::GetProperty(WindowId window, std::string_view control, Prop prop) const {
  return model_.Get(window, control, prop);
}

void Program::MoveControl(WindowId window, std::string_view control, std::optional<int> left,
                          std::optional<int> top, std::optional<int> width,
                          std::optional<int> height) {
  const std::pair<Prop, std::optional<int>> parts[] = {
      {Prop::Left, left}, {Prop::Top, top}, {Prop::Width, width}, {Prop::Height, height}};
  for (const auto& [prop, v] : parts) {
    if (v) SetProperty(window, control, prop, *v);
  }
}

void Program::SetZOrder(WindowId window, std::string_view control, int position) {
  if (position != 2 || !model_.IsLoaded(window)) return;
  if (model_.Find(window)->Control(control) == nullptr) return;
  view_.MoveToBottom(window, control);
}

int Program::GetClientWidth(WindowId window) const {
  return AsInt(model_.Get(window, "", Prop::Width));
}

int Program::GetClientHeight(WindowId window) const {
  return AsInt(model_.Get(window, "", Prop::Height));
}

void Program::PopupMenu(WindowId window, std::string_view menu, std::optional<Point> at) {
  if (ended_ || !model_.IsLoaded(window)) return;
  std::string chosen;
  {
    LoopTurn turn(handler_depth_);
    chosen = view_.PopupMenu(window, menu, at);
  }
  ThrowIfEnded();
  if (!chosen.empty()) {
    Raise(window, chosen, Event::MenuItemClicked);
    ThrowIfEnded();
  }
}

ControlRef Program::GetEventSource() const {
  return event_sources_.empty() ? ControlRef{} : event_sources_.back();
}

void Program::SetTrayIcon(WindowId window, const std::string& icon_path, std::string_view tooltip) {
  if (!model_.IsLoaded(window)) return;
  view_.SetTrayIcon(window, icon_path, tooltip);
}

void Program::SetStatusText(WindowId window, std::string_view control, int pane,
                            std::string_view text) {
  if (!model_.Set(window, control, Prop::Text, std::string(text))) return;
  view_.SetStatusText(window, control, pane, text);
}

int Program::ShowMessageBox(std::string_view text, int flags, std::string_view title) {
  if (ended_) return 0;
  int button = 0;
  {
    LoopTurn turn(handler_depth_);
    button = view_.ShowMessageBox(text, flags, title);
  }
  ThrowIfEnded();
  return button;
}

// --- browsers ---------------------------------------------------------------------------------

void Program::NavigateBrowser(WindowId window, std::string_view control, std::string_view address) {
  SetProperty(window, control, Prop::Address, std::string(address));
}

namespace {
bool IsBrowser(const WindowModel& model, WindowId window, std::string_view control) {
  const WindowInstance* w = model.Find(window);
  const ControlState* c = w ? w->Control(control) : nullptr;
  return c != nullptr && c->def->kind == ControlKind::WebBrowser;
}
}  // namespace

void Program::BrowserGoBack(WindowId window, std::string_view control) {
  if (IsBrowser(model_, window, control))
    view_.RunBrowserCommand(window, control, BrowserCommand::GoBack);
}
void Program::BrowserGoForward(WindowId window, std::string_view control) {
  if (IsBrowser(model_, window, control))
    view_.RunBrowserCommand(window, control, BrowserCommand::GoForward);
}
void Program::BrowserRefresh(WindowId window, std::string_view control) {
  if (IsBrowser(model_, window, control))
    view_.RunBrowserCommand(window, control, BrowserCommand::Refresh);
}
void Program::BrowserStop(WindowId window, std::string_view control) {
  if (IsBrowser(model_, window, control))
    view_.RunBrowserCommand(window, control, BrowserCommand::Stop);
}

// --- loop and program end ---------------------------------------------------------------------

void Program::Delay(int milliseconds) {
  if (ended_) ThrowIfEnded();
  {
    LoopTurn turn(handler_depth_);
    // Once the main window is gone the program is on its way out: waiting on would only keep
    // the process alive after its last window.
    const bool main_loaded = model_.IsLoaded(WindowId::MainWindow);
    view_.RunLoopUntil(
        [this, main_loaded] {
          return ended_ || (main_loaded && !model_.IsLoaded(WindowId::MainWindow));
        },
        milliseconds < 0 ? 0 : milliseconds);
  }
  ThrowIfEnded();
}

void Program::RunMessageLoop() {
  LoopTurn turn(handler_depth_);
  view_.RunLoopUntil([this] { return ended_ || !model_.IsLoaded(WindowId::MainWindow); },
                     std::nullopt);
}

void Program::EndProgram(int exit_code) {
  if (!ended_) {
    ended_ = true;
    exit_code_ = exit_code;
    view_.WakeLoops();
  }
  throw ProgramEnded{exit_code_};
}

void Program::Terminate(int exit_code) {
  if (ended_) return;
  ended_ = true;
  exit_code_ = exit_code;
  if (wait_stop_ != nullptr) wait_stop_->request_stop();
  view_.WakeLoops();
}

namespace {

// Holds every event raised while it lives; the last one out hands them to the loop.
struct Holding {
  int& holding;
  std::function<void()> release;
  explicit Holding(int& count, std::function<void()> on_release)
      : holding(++count), release(std::move(on_release)) {}
  ~Holding() {
    if (--holding == 0) release();
  }
  Holding(const Holding&) = delete;
  Holding& operator=(const Holding&) = delete;
};

}  // namespace

void Program::ReleaseHeld() {
  if (held_.empty() || delivery_posted_) return;
  // Handed to the loop as a whole: they run at its next turn, after the handler that
  // waited (or inside its next nested loop), as a frozen window would have got them.
  delivery_posted_ = true;
  view_.Post([this, alive = std::weak_ptr<int>(life_)] {
    if (!alive.expired()) DeliverHeld();
  });
}

void Program::Wait(const BlockingWork& work) {
  // Once the program has ended nothing more is asked of anyone.
  ThrowIfEnded();
  std::stop_source stop;
  std::stop_source* const outer = std::exchange(wait_stop_, &stop);
  {
    const Holding holding(holding_, [this] { ReleaseHeld(); });
    struct Restore {
      Program& p;
      std::stop_source* outer;
      ~Restore() { p.wait_stop_ = outer; }
    } restore{*this, outer};
    view_.RunBlocking([&] { work(stop.get_token()); });
  }
  ThrowIfEnded();
}

void Program::HoldEventsDuring(const std::function<void()>& loop) {
  if (ended_) return;
  const Holding holding(holding_, [this] { ReleaseHeld(); });
  loop();
}

void Program::Hold(WindowId window, std::string_view control, Event event, const EventArgs& args) {
  const WindowInstance* w = model_.Find(window);
  if (w == nullptr) return;
  // A timer that fell due several times during the wait ticks once.
  if (event == Event::Tick) {
    for (const HeldEvent& held : held_) {
      if (held.event == event && held.window == window && held.control == control) return;
    }
  }
  held_.push_back(HeldEvent{window, w->generation, std::string(control), event, args});
}

void Program::DeliverHeld() {
  delivery_posted_ = false;
  // Posted before a wait that is still running: the end of that wait posts them again.
  if (holding_ > 0) return;
  std::vector<HeldEvent> due = std::exchange(held_, {});
  for (HeldEvent& held : due) {
    if (ended_) return;
    const WindowInstance* w = model_.Find(held.window);
    // Meant for a window that has gone (or been loaded anew) since: it reaches nobody.
    if (w == nullptr || w->generation != held.generation) continue;
    Raise(held.window, held.control, held.event, held.args);
  }
}

void Program::RegisterExitCallback(std::function<void()> routine) {
  exit_callbacks_.push_back(std::move(routine));
}

void Program::RunExitCallbacks() {
  if (exit_callbacks_ran_) return;
  exit_callbacks_ran_ = true;
  for (auto& routine : exit_callbacks_) routine();
}

// --- events -----------------------------------------------------------------------------------

bool Program::HasBinding(WindowId window, std::string_view control, Event event) const {
  if (catalogue_.bindings == nullptr) return false;
  for (const Binding& b : catalogue_.bindings(window)) {
    if (b.event == event && b.control == control) return true;
  }
  return false;
}

void Program::ReportWindowPlacement(WindowId window, Rect placement, bool minimized) {
  if (ended_ || !model_.IsLoaded(window)) return;
  const std::pair<Prop, int> facts[] = {
      {Prop::Left, placement.left},
      {Prop::Top, placement.top},
      {Prop::Width, placement.width},
      {Prop::Height, placement.height},
      {Prop::WindowState, minimized ? kWindowStateMinimized : kWindowStateNormal}};
  for (const auto& [prop, value] : facts) model_.Set(window, "", prop, value);
}

void Program::Raise(WindowId window, std::string_view control, Event event, EventArgs& args) {
  if (ended_ || !model_.IsLoaded(window) || catalogue_.bindings == nullptr) return;
  if (holding_ > 0) {
    // A handler waits for the service: nothing else runs until it has finished. A page's
    // request for a window cannot wait for the answer, so the engine is refused one; the
    // behaviour still hears of the request afterwards.
    if (event == Event::NewWindow2) args.cancel = true;
    if (HasBinding(window, control, event)) Hold(window, control, event, args);
    return;
  }
  if (!control.empty() && event != Event::MenuItemClicked &&
      model_.Find(window)->Control(control) == nullptr) {
    return;
  }
  for (const Binding& b : catalogue_.bindings(window)) {
    if (b.event != event || b.control != control || b.handler == nullptr) continue;
    HandlerTurn turn(handler_depth_);
    event_sources_.push_back(ControlRef{window, std::string(control)});
    try {
      b.handler(*this, args);
    } catch (const ProgramEnded&) {
      // The end has been recorded; the loops that are running unwind by themselves.
    }
    event_sources_.pop_back();
    return;
  }
}

}  // namespace lumora
