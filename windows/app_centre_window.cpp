// AppCentreWindow: the application centre, with a general and an application browser.
#include "forms/browser_menus.h"
#include "forms/frame.h"
#include "platform/program.h"
#include "windows/adverts.h"
#include "windows/behaviours.h"
#include "windows/config_items.h"

namespace lumora {

namespace {
constexpr WindowId kSelf = WindowId::AppCentreWindow;
constexpr WindowId kApp = WindowId::AppWindow;
constexpr std::string_view kGeneral = "WebBrowser1";
constexpr std::string_view kAppBrowser = "WebBrowser应用专用";
constexpr std::string_view kLoading = "超文本浏览框1";
constexpr int kTextAdvert = 3;
constexpr int kAppWindowOffset = 30;

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

void SetVisible(Program& p, std::string_view control, bool visible) {
  p.SetProperty(kSelf, control, Prop::Visible, visible);
}

// The restored content area below the title strip, even while the window is maximized.
void ShowInContentArea(Program& p, std::string_view browser) {
  p.MoveControl(kSelf, browser, 0, 28, 984, 596);
  SetVisible(p, browser, true);
}

// The skin first; then the loading page over the content area and text advertisement 3.
void OnCreated(Program& p, EventArgs&) {
  ApplyFrameSkin(p, kSelf);
  p.SetProperty(kSelf, kLoading, Prop::Address, p.LocalPath("Html/Loading.html").string());
  SetVisible(p, kLoading, true);
  p.MoveControl(kSelf, kLoading, 0, 28, 984, 596);
  SetVisible(p, kGeneral, false);
  RefreshTextAdvert(p, kTextAdvert);
}

void OnTextAdvertClick(Program& p, EventArgs&) {
  OpenTextAdvert(p, kTextAdvert);
}

void OnMinimizeClick(Program& p, EventArgs&) {
  MinimizeWindow(p, kSelf);
}

void OnMaximizeClick(Program& p, EventArgs&) {
  ToggleMaximize(p, kSelf);
}

// Records the centre and its maximize flag as closed and closes the window.
void OnCloseClick(Program& p, EventArgs&) {
  WriteSetting(p, "APPWindows", "1");
  WriteSetting(p, "APPCenterMaximize", "1");
  p.DestroyWindow(kSelf);
}

// The two browsers exclude each other: the one whose page completed last is in view.
void OnGeneralDocumentComplete(Program& p, EventArgs&) {
  SetVisible(p, kLoading, false);
  ShowInContentArea(p, kGeneral);
  SetVisible(p, kAppBrowser, false);
}

void OnAppDocumentComplete(Program& p, EventArgs&) {
  SetVisible(p, kLoading, false);
  SetVisible(p, kGeneral, false);
  ShowInContentArea(p, kAppBrowser);
}

// Opens the requested application in AppWindow instead of a browser window of its own. An
// AppWindow already open takes the new application and comes back from the taskbar, so the
// user sees where it went.
void OnAppNewWindow(Program& p, EventArgs& args) {
  // As in the main window: an address the request names beats the last hovered link.
  if (!args.text.empty()) p.Shared().AppLastStatusText = args.text;
  p.LoadWindow(kApp);
  const int left = AsInt(p.GetProperty(kSelf, "", Prop::Left));
  const int top = AsInt(p.GetProperty(kSelf, "", Prop::Top));
  p.SetProperty(kApp, "", Prop::Left, left + kAppWindowOffset);
  p.SetProperty(kApp, "", Prop::Top, top + kAppWindowOffset);
  args.cancel = true;
}

// Keeps the link under the pointer: the page reports it just before asking for a window.
void OnAppStatusText(Program& p, EventArgs& args) {
  p.Shared().AppLastStatusText = args.text;
}
}  // namespace

std::span<const Binding> AppCentreWindowBindings() {
  return kBindings;
}

}  // namespace lumora
