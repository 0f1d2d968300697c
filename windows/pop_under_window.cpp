// PopUnderWindow: the pop-under advertisement.
#include <optional>
#include <string>

#include "config/language.h"
#include "forms/browser_menus.h"
#include "forms/frame.h"
#include "platform/program.h"
#include "service/pages.h"
#include "service/service_client.h"
#include "windows/behaviours.h"
#include "windows/config_items.h"

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

// The skin, the open flag, the advertising page and the captions of the language.
void OnCreated(Program& p, EventArgs&) {
  ApplyFrameSkin(p, kSelf);
  WriteSetting(p, "Display advertising", "2");
  const std::optional<int> language = LanguageChoice(p.RunDirectory());
  p.NavigateBrowser(kSelf, "超文本界面框1", ServicePageAddress(kPopUnderPage));
  const std::string& name = p.Shared().ProductName;
  std::string label;
  std::string caption;
  switch (language.value_or(0)) {
    case 1:
      label = caption = name + " 背投广告";
      break;
    case 2:
      // The label has always had two blanks before its words, the caption one.
      label = name + "  背投廣告";
      caption = name + " 背投廣告";
      break;
    case 3:
      label = caption = name + " Display ADS";
      break;
    default:
      return;  // the design captions stay
  }
  p.SetProperty(kSelf, "透明标签1", Prop::Text, label);
  p.SetProperty(kSelf, "", Prop::Text, caption);
}

// Records the pop-under as closed and closes the window.
void OnCloseClick(Program& p, EventArgs&) {
  WriteSetting(p, "Display advertising", "1");
  p.DestroyWindow(kSelf);
}
}  // namespace

std::span<const Binding> PopUnderWindowBindings() {
  return kBindings;
}

}  // namespace lumora
