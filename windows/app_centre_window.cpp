// AppCentreWindow: the application centre, with a general and an application browser.
#include "forms/browser_menus.h"
#include "forms/frame.h"
#include "platform/program.h"
#include "windows/behaviours.h"

namespace lumora {

namespace {
constexpr WindowId kSelf = WindowId::AppCentreWindow;

void OnCreated(Program& p, EventArgs&);
void OnTextAdvertClick(Program& p, EventArgs&);
void OnMinimizeClick(Program& p, EventArgs&);
void OnMaximizeClick(Program& p, EventArgs&);
void OnCloseClick(Program& p, EventArgs&);
void OnGeneralDocumentComplete(Program& p, EventArgs&);
void OnAppDocumentComplete(Program& p, EventArgs&);
void OnAppNewWindow(Program& p, EventArgs&);
void OnAppStatusText(Program& p, EventArgs&);

// clang-format off
constexpr Binding kBindings[] = {
  {"",                       Event::Created,          OnCreated},
  {"文字广告3",              Event::LeftButtonDown,   OnTextAdvertClick},
  {"最小化按钮",             Event::Clicked,          OnMinimizeClick},
  {"最大化按钮",             Event::Clicked,          OnMaximizeClick},
  {"关闭按钮",               Event::Clicked,          OnCloseClick},
  {"WebBrowser1",            Event::DocumentComplete, OnGeneralDocumentComplete},
  {"WebBrowser1",            Event::RightButtonDown,  OnBrowserRightButton},
  {"WebBrowser应用专用",     Event::DocumentComplete, OnAppDocumentComplete},
  {"WebBrowser应用专用",     Event::NewWindow2,       OnAppNewWindow},
  {"WebBrowser应用专用",     Event::StatusTextChange, OnAppStatusText},
  {"WebBrowser应用专用",     Event::RightButtonDown,  OnBrowserRightButton},
  // The general browser's menus.
  {"简体菜单/返回",          Event::MenuItemClicked,  OnBrowserMenuGoBack},
  {"简体菜单/前进",          Event::MenuItemClicked,  OnBrowserMenuGoForward},
  {"简体菜单/重新载入",      Event::MenuItemClicked,  OnBrowserMenuRefresh},
  {"简体菜单/停止",          Event::MenuItemClicked,  OnBrowserMenuStop},
  {"繁体菜单/返回",          Event::MenuItemClicked,  OnBrowserMenuGoBack},
  {"繁体菜单/前進",          Event::MenuItemClicked,  OnBrowserMenuGoForward},
  {"繁体菜单/重新載入",      Event::MenuItemClicked,  OnBrowserMenuRefresh},
  {"繁体菜单/停止",          Event::MenuItemClicked,  OnBrowserMenuStop},
  {"英语菜单/GoBack",        Event::MenuItemClicked,  OnBrowserMenuGoBack},
  {"英语菜单/GoForward",     Event::MenuItemClicked,  OnBrowserMenuGoForward},
  {"英语菜单/Refresh",       Event::MenuItemClicked,  OnBrowserMenuRefresh},
  {"英语菜单/Stop",          Event::MenuItemClicked,  OnBrowserMenuStop},
  // The application browser's menus.
  {"简体专用菜单/返回",      Event::MenuItemClicked,  OnBrowserMenuGoBack},
  {"简体专用菜单/前进",      Event::MenuItemClicked,  OnBrowserMenuGoForward},
  {"简体专用菜单/重新载入",  Event::MenuItemClicked,  OnBrowserMenuRefresh},
  {"简体专用菜单/停止",      Event::MenuItemClicked,  OnBrowserMenuStop},
  {"繁体专用菜单/返回",      Event::MenuItemClicked,  OnBrowserMenuGoBack},
  {"繁体专用菜单/前進",      Event::MenuItemClicked,  OnBrowserMenuGoForward},
  {"繁体专用菜单/重新載入",  Event::MenuItemClicked,  OnBrowserMenuRefresh},
  {"繁体专用菜单/停止",      Event::MenuItemClicked,  OnBrowserMenuStop},
  {"英语专用菜单/GoBack",    Event::MenuItemClicked,  OnBrowserMenuGoBack},
  {"英语专用菜单/GoForward", Event::MenuItemClicked,  OnBrowserMenuGoForward},
  {"英语专用菜单/Refresh",   Event::MenuItemClicked,  OnBrowserMenuRefresh},
  {"英语专用菜单/Stop",      Event::MenuItemClicked,  OnBrowserMenuStop},
};
// clang-format on

// The skin first; then the loading page over the content area and text advertisement 3.
void OnCreated(Program& p, EventArgs&) {
  ApplyFrameSkin(p, kSelf);
}

// Opens the target of text advertisement 3.
void OnTextAdvertClick(Program&, EventArgs&) {}

void OnMinimizeClick(Program& p, EventArgs&) {
  MinimizeWindow(p, kSelf);
}

void OnMaximizeClick(Program& p, EventArgs&) {
  ToggleMaximize(p, kSelf);
}

// Records the centre and its maximize flag as closed and closes the window.
void OnCloseClick(Program&, EventArgs&) {}

// Shows the general browser over the content area in place of the others.
void OnGeneralDocumentComplete(Program&, EventArgs&) {}

// Shows the application browser over the content area in place of the others.
void OnAppDocumentComplete(Program&, EventArgs&) {}

// Opens the requested application in AppWindow instead of a browser window of its own.
void OnAppNewWindow(Program&, EventArgs&) {}

// Keeps the link under the pointer for AppWindow.
void OnAppStatusText(Program&, EventArgs&) {}
}  // namespace

std::span<const Binding> AppCentreWindowBindings() {
  return kBindings;
}

}  // namespace lumora
