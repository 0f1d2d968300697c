// RightPopupWindow: the advertising box at the bottom right of the screen.
#include <cstdint>
#include <limits>

#include "platform/program.h"
#include "service/pages.h"
#include "service/service_client.h"
#include "windows/adverts.h"
#include "windows/behaviours.h"

namespace lumora {

namespace {
constexpr WindowId kSelf = WindowId::RightPopupWindow;
constexpr int kShowDelayTicks = 5;

void OnCreated(Program& p, EventArgs&);
void OnShowTimer(Program& p, EventArgs&);
void OnCloseTimer(Program& p, EventArgs&);
void OnCloseClick(Program& p, EventArgs&);

// clang-format off
constexpr Binding kBindings[] = {
  {"",          Event::Created, OnCreated},
  {"时钟1",     Event::Tick,    OnShowTimer},
  {"时钟2",     Event::Tick,    OnCloseTimer},
  {"图形按钮1", Event::Clicked, OnCloseClick},
};
// clang-format on

// Skins the close button and loads the advertisement while its switch is on; off closes
// the window before it was ever seen.
void OnCreated(Program& p, EventArgs&) {
  SkinPopupCloseButton(p, kSelf);
  SharedState& s = p.Shared();
  s.RightPopupSwitch = FetchServiceText(kRightPopupSwitchPage);
  if (IsOn(s.RightPopupSwitch)) {
    p.NavigateBrowser(kSelf, "超文本浏览框1", ServicePageAddress(kRightPopupPage));
    s.RightPopupCountdown = kShowDelayTicks;
  }
  if (IsOff(s.RightPopupSwitch)) p.DestroyWindow(kSelf);
}

// Counts the show delay down; at zero shows the window at the bottom right of the screen.
// Without the switch on, the count starts at 0 and never comes back to it.
void OnShowTimer(Program& p, EventArgs&) {
  std::int32_t& countdown = p.Shared().RightPopupCountdown;
  if (countdown == std::numeric_limits<std::int32_t>::min()) return;  // no wrap back to 0
  --countdown;
  if (countdown != 0) return;
  // Bottom right of what panels and docks leave free on the main window's screen.
  const Rect area = p.GetWorkArea(WindowId::MainWindow);
  p.SetProperty(kSelf, "", Prop::Top, area.top + area.height - 250);
  p.SetProperty(kSelf, "", Prop::Left, area.left + area.width - 300);
  p.SetProperty(kSelf, "", Prop::Visible, true);
  p.SetProperty(kSelf, "时钟1", Prop::Interval, 0);
}

// Closes the window when its time is up.
void OnCloseTimer(Program& p, EventArgs&) {
  p.DestroyWindow(kSelf);
}

void OnCloseClick(Program& p, EventArgs&) {
  p.DestroyWindow(kSelf);
}
}  // namespace

std::span<const Binding> RightPopupWindowBindings() {
  return kBindings;
}

}  // namespace lumora
