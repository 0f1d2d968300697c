#include "platform/headless/headless_view.h"

#include <algorithm>
#include <exception>
#include <limits>
#include <thread>

#include "platform/ui_wait.h"

namespace lumora {

namespace {
const ControlState* FindControl(const Program& program, WindowId window, std::string_view control) {
  const WindowInstance* w = program.Model().Find(window);
  return w ? w->Control(control) : nullptr;
}
}  // namespace

// --- clock -------------------------------------------------------------------------------------

void HeadlessView::At(std::int64_t at_ms, std::function<void()> action) {
  scheduled_.push_back(Scheduled{std::max(at_ms, now_ms_), next_order_++, std::move(action)});
}

bool HeadlessView::DeliverNext(std::int64_t limit) {
  // Earliest scripted action (ties keep their order) against the earliest timer.
  auto action = std::min_element(scheduled_.begin(), scheduled_.end(),
                                 [](const Scheduled& a, const Scheduled& b) {
                                   return a.due != b.due ? a.due < b.due : a.order < b.order;
                                 });
  auto timer = timers_.end();
  for (auto it = timers_.begin(); it != timers_.end(); ++it) {
    if (timer == timers_.end() || it->second.next_due < timer->second.next_due) timer = it;
  }
  const std::int64_t action_due =
      action == scheduled_.end() ? std::numeric_limits<std::int64_t>::max() : action->due;
  const std::int64_t timer_due =
      timer == timers_.end() ? std::numeric_limits<std::int64_t>::max() : timer->second.next_due;
  if (std::min(action_due, timer_due) > limit) return false;

  if (action_due <= timer_due) {
    now_ms_ = std::max(now_ms_, action_due);
    std::function<void()> run = std::move(action->action);
    scheduled_.erase(action);
    run();
    return true;
  }
  now_ms_ = std::max(now_ms_, timer_due);
  const auto [window, control] = timer->first;
  timer->second.next_due += timer->second.interval;
  ++ticks_delivered_;
  EventArgs args;
  program_->Raise(window, control, Event::Tick, args);
  return true;
}

void HeadlessView::RunFor(std::int64_t ms) {
  const std::int64_t deadline = now_ms_ + ms;
  while (!program_->Ended() && DeliverNext(deadline)) {
  }
  now_ms_ = std::max(now_ms_, deadline);
}

void HeadlessView::RunLoopUntil(const std::function<bool()>& done, std::optional<int> timeout_ms) {
  const std::int64_t deadline = timeout_ms ? now_ms_ + *timeout_ms : now_ms_ + idle_horizon_ms_;
  while (!done()) {
    if (!DeliverNext(deadline)) {
      if (!timeout_ms) ++stalled_loops_;  // nothing left that could ever end this loop
      now_ms_ = std::max(now_ms_, deadline);
      return;
    }
  }
}

void HeadlessView::RunBlocking(const std::function<void()>& work) {
  ++waits_;
  if (during_wait_.empty()) {
    work();
    return;
  }
  std::function<void()> action = std::move(during_wait_.front());
  during_wait_.pop_front();
  RunBeside(work, action);
}

// --- mirroring -----------------------------------------------------------------------------------

void HeadlessView::StartOrStopTimer(WindowId window, const std::string& control, int interval) {
  const auto key = std::make_pair(window, control);
  if (interval <= 0) {
    timers_.erase(key);
    return;
  }
  const WindowInstance* w = program_->Model().Find(window);
  timers_[key] = TimerState{w ? w->generation : 0, interval, now_ms_ + interval};
}

void HeadlessView::WindowCreated(WindowId window) {
  const WindowInstance* w = program_->Model().Find(window);
  if (w == nullptr) return;
  for (const ControlState& c : w->controls) {
    if (c.def->kind == ControlKind::Timer) {
      StartOrStopTimer(window, std::string(c.def->name), AsInt(c.props.at(Prop::Interval)));
    }
  }
}

void HeadlessView::WindowDestroyed(WindowId window) {
  std::erase_if(timers_, [window](const auto& entry) { return entry.first.first == window; });
  tray_icons_.erase(window);
}

void HeadlessView::PropertyChanged(WindowId window, std::string_view control, Prop prop,
                                   const Value& value) {
  ++property_changes_;
  if (prop != Prop::Interval) return;
  const ControlState* c = FindControl(*program_, window, control);
  if (c != nullptr && c->def->kind == ControlKind::Timer) {
    StartOrStopTimer(window, std::string(control), AsInt(value));
  }
}

void HeadlessView::MoveToBottom(WindowId window, std::string_view control) {
  lowered_.push_back(std::string(WindowName(window)) + "/" + std::string(control));
}

void HeadlessView::RunBrowserCommand(WindowId window, std::string_view control,
                                     BrowserCommand command) {
  browser_commands_.push_back({window, std::string(control), command});
}

std::string HeadlessView::PopupMenu(WindowId window, std::string_view menu,
                                    std::optional<Point> at) {
  menus_.push_back({window, std::string(menu), at});
  if (menu_choices_.empty()) return {};
  std::string chosen = std::move(menu_choices_.front());
  menu_choices_.pop_front();
  return chosen;
}

int HeadlessView::ShowMessageBox(std::string_view text, int flags, std::string_view title) {
  message_boxes_.push_back({std::string(text), flags, std::string(title), now_ms_});
  return message_box_answer_ ? message_box_answer_(message_boxes_.back()) : 1;
}

void HeadlessView::SetTrayIcon(WindowId window, std::string_view icon_path,
                               std::string_view tooltip) {
  tray_icons_[window] = TrayIcon{std::string(icon_path), std::string(tooltip)};
}

// --- user and page actions
// --------------------------------------------------------------------------

namespace {
bool Shown(const Program& program, WindowId window, const ControlState* c) {
  return c != nullptr && AsBool(program.GetProperty(window, "", Prop::Visible)) &&
         AsBool(c->props.count(Prop::Visible) ? c->props.at(Prop::Visible) : Value{});
}
}  // namespace

void HeadlessView::Click(WindowId window, std::string_view control) {
  const ControlState* c = FindControl(*program_, window, control);
  if (!Shown(*program_, window, c)) return;
  switch (c->def->kind) {
    case ControlKind::CheckBox: {
      const bool checked = AsBool(program_->GetProperty(window, control, Prop::Checked));
      program_->SetProperty(window, control, Prop::Checked, !checked);
      program_->Raise(window, control, Event::Clicked);
      break;
    }
    case ControlKind::GraphicButton:
      program_->Raise(window, control, Event::Clicked);
      break;
    default: {
      EventArgs args;
      args.integer = 1;  // left button held
      program_->Raise(window, control, Event::LeftButtonDown, args);
      break;
    }
  }
}

void HeadlessView::RightClick(WindowId window, std::string_view control) {
  if (!Shown(*program_, window, FindControl(*program_, window, control))) return;
  program_->Raise(window, control, Event::RightButtonDown);
}

void HeadlessView::HoverLink(WindowId window, std::string_view browser, std::string_view address) {
  EventArgs args;
  args.text = std::string(address);
  program_->Raise(window, browser, Event::StatusTextChange, args);
}

bool HeadlessView::RequestNewWindow(WindowId window, std::string_view browser,
                                    std::string_view address) {
  if (FindControl(*program_, window, browser) == nullptr) return false;
  EventArgs args;
  args.text = std::string(address);
  program_->Raise(window, browser, Event::NewWindow2, args);
  if (!args.cancel) ++own_browser_windows_;
  return args.cancel;
}

void HeadlessView::CompleteDocument(WindowId window, std::string_view browser,
                                    std::string_view address) {
  EventArgs args;
  args.text = std::string(address);
  program_->Raise(window, browser, Event::DocumentComplete, args);
}

void HeadlessView::Tray(WindowId window, int kind) {
  if (tray_icons_.count(window) == 0) return;  // no icon, nothing to click
  EventArgs args;
  args.integer = kind;
  program_->Raise(window, "", Event::TrayNotify, args);
}

}  // namespace lumora
