// AppWindow: one application opened from the application centre.
#include <string>

#include "config/text_number.h"
#include "forms/browser_menus.h"
#include "forms/frame.h"
#include "platform/program.h"
#include "windows/adverts.h"
#include "windows/behaviours.h"
#include "windows/config_items.h"

namespace lumora {

namespace {
constexpr WindowId kSelf = WindowId::AppWindow;
constexpr std::string_view kBrowser = "WebBrowser1";
constexpr std::string_view kLoading = "超文本浏览框1";
constexpr int kTextAdvert = 4;

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

// What the window calls itself after the product name, per language.
constexpr std::string_view kCaptionSuffixes[] = {"APP应用窗口", "APP應用窗口", "APP Windows"};
// clang-format on

// The loading page over the content area while the application loads out of sight, text
// advertisement 4, and the caption of the language read when the window opened.
void OnCreated(Program& p, EventArgs&) {
  const std::string language = ReadSetting(p, "Language");
  ApplyFrameSkin(p, kSelf);
  p.SetProperty(kSelf, kLoading, Prop::Address, p.LocalPath("Html/Loading.html").string());
  p.SetProperty(kSelf, kLoading, Prop::Visible, true);
  p.MoveControl(kSelf, kLoading, 0, 28, 984, 596);
  p.SetProperty(kSelf, kBrowser, Prop::Visible, false);
  p.NavigateBrowser(kSelf, kBrowser, p.Shared().AppLastStatusText);
  RefreshTextAdvert(p, kTextAdvert);
  for (int code = 1; code <= 3; ++code) {
    if (!NumberMatches(language, code)) continue;
    const std::string caption =
        p.Shared().ProductName + std::string(kCaptionSuffixes[static_cast<std::size_t>(code - 1)]);
    p.SetProperty(kSelf, "", Prop::Text, caption);
    p.SetProperty(kSelf, "APP应用名称", Prop::Text, caption);
  }
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

// Records the maximize flag as restored and closes the window.
void OnCloseClick(Program& p, EventArgs&) {
  WriteSetting(p, "APPMaximize", "1");
  p.DestroyWindow(kSelf);
}

// Swaps the loading page for the application once it has loaded. The browser stays where it
// is, maximized or not.
void OnDocumentComplete(Program& p, EventArgs&) {
  p.SetProperty(kSelf, kLoading, Prop::Visible, false);
  p.SetProperty(kSelf, kBrowser, Prop::Visible, true);
}
}  // namespace

std::span<const Binding> AppWindowBindings() {
  return kBindings;
}

}  // namespace lumora
