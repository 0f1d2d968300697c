#include "forms/browser_menus.h"

#include <optional>

#include "config/language.h"

namespace lumora {

namespace {

// clang-format off
constexpr BrowserMenuSet kSets[] = {
  // window, browser, and its menus for language 1, 2 and 3
  {WindowId::MainWindow,      "WebBrowser1",        {"简体右键",     "繁体右键",     "英语右键"}},
  {WindowId::AppCentreWindow, "WebBrowser1",        {"简体菜单",     "繁体菜单",     "英语菜单"}},
  {WindowId::AppCentreWindow, "WebBrowser应用专用", {"简体专用菜单", "繁体专用菜单", "英语专用菜单"}},
  {WindowId::AppWindow,       "WebBrowser1",        {"jt",           "ft",           "yy"}},
  {WindowId::PopUnderWindow,  "超文本界面框1",      {"中文",         "繁体",         "英语"}},
};
// clang-format on

const BrowserMenuSet* SetOfBrowser(WindowId window, std::string_view browser) {
  for (const BrowserMenuSet& set : kSets) {
    if (set.window == window && set.browser == browser) return &set;
  }
  return nullptr;
}

// The browser whose menu holds the item at `path` ("menu/item").
std::optional<std::string_view> BrowserOfItem(WindowId window, std::string_view path) {
  const std::string_view menu = path.substr(0, path.find('/'));
  for (const BrowserMenuSet& set : kSets) {
    if (set.window != window) continue;
    for (std::string_view candidate : set.menus) {
      if (candidate == menu) return set.browser;
    }
  }
  return std::nullopt;
}

using BrowserOperation = void (Program::*)(WindowId, std::string_view);

void RunOnMenuBrowser(Program& p, BrowserOperation operation) {
  const ControlRef source = p.GetEventSource();
  if (const auto browser = BrowserOfItem(source.window, source.control)) {
    (p.*operation)(source.window, *browser);
  }
}

}  // namespace

std::span<const BrowserMenuSet> BrowserMenuSets() {
  return kSets;
}

void ShowBrowserMenu(Program& p, WindowId window, std::string_view browser) {
  const BrowserMenuSet* set = SetOfBrowser(window, browser);
  if (set == nullptr) return;
  // Read at every click, so a language chosen in the settings shows at once.
  const std::optional<int> language = LanguageChoice(p.RunDirectory());
  if (!language) return;
  p.PopupMenu(window, set->menus[*language - 1]);
}

void OnBrowserRightButton(Program& p, EventArgs&) {
  const ControlRef source = p.GetEventSource();
  ShowBrowserMenu(p, source.window, source.control);
}

void OnBrowserMenuGoBack(Program& p, EventArgs&) {
  RunOnMenuBrowser(p, &Program::BrowserGoBack);
}
void OnBrowserMenuGoForward(Program& p, EventArgs&) {
  RunOnMenuBrowser(p, &Program::BrowserGoForward);
}
void OnBrowserMenuRefresh(Program& p, EventArgs&) {
  RunOnMenuBrowser(p, &Program::BrowserRefresh);
}
void OnBrowserMenuStop(Program& p, EventArgs&) {
  RunOnMenuBrowser(p, &Program::BrowserStop);
}

}  // namespace lumora
