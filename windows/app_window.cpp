// AppWindow: one application opened from the application centre.
#include "forms/browser_menus.h"
#include "forms/frame.h"
#include "platform/program.h"
#include "windows/behaviours.h"

namespace lumora {

namespace {
constexpr WindowId kSelf = WindowId::AppWindow;

void OnCreated(Program& p, EventArgs&);
void OnTextAdvertClick(Program& p, EventArgs&);
void OnMinimizeClick(Program& p, EventArgs&);
void OnMaximizeClick(Program& p, EventArgs&);
void OnCloseClick(Program& p, EventArgs&);
void OnDocumentComplete(Program& p, EventArgs&);

// clang-format off
constexpr Binding kBindings[] = {
  {"",             Event::Created,          OnCreated},
  {"文字广告4",    Event::LeftButtonDown,   OnTextAdvertClick},
  {"最小化按钮",   Event::Clicked,          OnMinimizeClick},
  {"最大化按钮",   Event::Clicked,          OnMaximizeClick},
  {"关闭按钮",     Event::Clicked,          OnCloseClick},
  {"WebBrowser1",  Event::DocumentComplete, OnDocumentComplete},
  {"WebBrowser1",  Event::RightButtonDown,  OnBrowserRightButton},
  {"jt/返回",      Event::MenuItemClicked,  OnBrowserMenuGoBack},
  {"jt/前进",      Event::MenuItemClicked,  OnBrowserMenuGoForward},
  {"jt/重新载入",  Event::MenuItemClicked,  OnBrowserMenuRefresh},
  {"jt/停止",      Event::MenuItemClicked,  OnBrowserMenuStop},
  {"ft/返回",      Event::MenuItemClicked,  OnBrowserMenuGoBack},
  {"ft/前進",      Event::MenuItemClicked,  OnBrowserMenuGoForward},
  {"ft/重新載入",  Event::MenuItemClicked,  OnBrowserMenuRefresh},
  {"ft/停止",      Event::MenuItemClicked,  OnBrowserMenuStop},
  {"yy/GoBack",    Event::MenuItemClicked,  OnBrowserMenuGoBack},
  {"yy/GoForward", Event::MenuItemClicked,  OnBrowserMenuGoForward},
  {"yy/Refresh",   Event::MenuItemClicked,  OnBrowserMenuRefresh},
  {"yy/Stop",      Event::MenuItemClicked,  OnBrowserMenuStop},
};
// clang-format on

// The skin (the language read that precedes it changes nothing on screen); then the
// loading page, the application's address, text advertisement 4 and the caption.
void OnCreated(Program& p, EventArgs&) {
  ApplyFrameSkin(p, kSelf);
}

// Opens the target of text advertisement 4.
void OnTextAdvertClick(Program&, EventArgs&) {}

void OnMinimizeClick(Program& p, EventArgs&) {
  MinimizeWindow(p, kSelf);
}

void OnMaximizeClick(Program& p, EventArgs&) {
  ToggleMaximize(p, kSelf);
}

// Records the maximize flag as restored and closes the window.
void OnCloseClick(Program&, EventArgs&) {}

// Swaps the loading page for the application once it has loaded.
void OnDocumentComplete(Program&, EventArgs&) {}
}  // namespace

std::span<const Binding> AppWindowBindings() {
  return kBindings;
}

}  // namespace lumora
