// PopUnderWindow: the pop-under advertisement.
#include "forms/browser_menus.h"
#include "forms/frame.h"
#include "platform/program.h"
#include "windows/behaviours.h"

namespace lumora {

namespace {
constexpr WindowId kSelf = WindowId::PopUnderWindow;

void OnCreated(Program& p, EventArgs&);
void OnCloseClick(Program& p, EventArgs&);

// clang-format off
constexpr Binding kBindings[] = {
  {"",               Event::Created,         OnCreated},
  {"关闭按钮1",      Event::Clicked,         OnCloseClick},
  {"超文本界面框1",  Event::RightButtonDown, OnBrowserRightButton},
  {"中文/返回",      Event::MenuItemClicked, OnBrowserMenuGoBack},
  {"中文/前进",      Event::MenuItemClicked, OnBrowserMenuGoForward},
  {"中文/重新载入",  Event::MenuItemClicked, OnBrowserMenuRefresh},
  {"中文/停止",      Event::MenuItemClicked, OnBrowserMenuStop},
  {"繁体/返回",      Event::MenuItemClicked, OnBrowserMenuGoBack},
  {"繁体/前進",      Event::MenuItemClicked, OnBrowserMenuGoForward},
  {"繁体/重新載入",  Event::MenuItemClicked, OnBrowserMenuRefresh},
  {"繁体/停止",      Event::MenuItemClicked, OnBrowserMenuStop},
  {"英语/GoBack ",   Event::MenuItemClicked, OnBrowserMenuGoBack},
  {"英语/GoForward", Event::MenuItemClicked, OnBrowserMenuGoForward},
  {"英语/Refresh",   Event::MenuItemClicked, OnBrowserMenuRefresh},
  {"英语/Stop",      Event::MenuItemClicked, OnBrowserMenuStop},
};
// clang-format on

// The skin first; then the open flag, the advertising page and the caption of the language.
void OnCreated(Program& p, EventArgs&) {
  ApplyFrameSkin(p, kSelf);
}

// Records the pop-under as closed and closes the window.
void OnCloseClick(Program&, EventArgs&) {}
}  // namespace

std::span<const Binding> PopUnderWindowBindings() {
  return kBindings;
}

}  // namespace lumora
