// The navigation menus of the browsers that show service pages: back, forward, reload and
// stop, in the interface language read at each right click. The player's browser has none.
#pragma once

#include <array>
#include <span>
#include <string_view>

#include "platform/program.h"

namespace lumora {

// One browser's menus for language 1, 2 and 3.
struct BrowserMenuSet {
  WindowId window;
  std::string_view browser;
  std::array<std::string_view, 3> menus;
};
std::span<const BrowserMenuSet> BrowserMenuSets();

// Pops the browser's menu for the stored language at the pointer; no menu for a language
// other than 1, 2 or 3, or for a browser without menus.
void ShowBrowserMenu(Program& program, WindowId window, std::string_view browser);

// Handlers to bind. The right-button handler serves the browser that raised the event; an
// item handler runs its command on the browser that owns the item's menu, so an item never
// reaches another browser of the same window.
void OnBrowserRightButton(Program& program, EventArgs& args);
void OnBrowserMenuGoBack(Program& program, EventArgs& args);
void OnBrowserMenuGoForward(Program& program, EventArgs& args);
void OnBrowserMenuRefresh(Program& program, EventArgs& args);
void OnBrowserMenuStop(Program& program, EventArgs& args);

}  // namespace lumora
