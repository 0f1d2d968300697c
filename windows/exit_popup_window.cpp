// ExitPopupWindow: the advertisement shown while the program exits.
#include "platform/program.h"
#include "service/pages.h"
#include "service/service_client.h"
#include "windows/adverts.h"
#include "windows/behaviours.h"

namespace lumora {

namespace {
constexpr WindowId kSelf = WindowId::ExitPopupWindow;

// MainWindow has been hidden since the exit began; destroying it ends the program.
void EndWithPopup(Program& p) {
  p.DestroyWindow(WindowId::MainWindow);
  p.DestroyWindow(kSelf);
}

void OnCreated(Program& p, EventArgs&);
void OnCloseClick(Program& p, EventArgs&);
void OnCloseTimer(Program& p, EventArgs&);

// clang-format off
constexpr Binding kBindings[] = {
  {"",          Event::Created, OnCreated},
  {"图形按钮1", Event::Clicked, OnCloseClick},
  {"时钟1",     Event::Tick,    OnCloseTimer},
};
// clang-format on

// Skins the close button and loads the advertisement, or ends at once when the service has
// switched it off since the exit began.
void OnCreated(Program& p, EventArgs&) {
  SkinPopupCloseButton(p, kSelf);
  SharedState& s = p.Shared();
  s.ExitPopupSwitch = FetchServiceText(kExitPopupSwitchPage);
  if (IsOn(s.ExitPopupSwitch)) {
    p.NavigateBrowser(kSelf, "超文本浏览框1", ServicePageAddress(kExitPopupPage));
  }
  if (IsOff(s.ExitPopupSwitch)) EndWithPopup(p);
}

void OnCloseClick(Program& p, EventArgs&) {
  EndWithPopup(p);
}

// The same as the close button, when the advertisement's time is up.
void OnCloseTimer(Program& p, EventArgs&) {
  EndWithPopup(p);
}
}  // namespace

std::span<const Binding> ExitPopupWindowBindings() {
  return kBindings;
}

}  // namespace lumora
