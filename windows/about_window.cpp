// AboutWindow: versions, acknowledgements and links; a modal dialog.
#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "config/language.h"
#include "platform/files.h"
#include "platform/program.h"
#include "service/pages.h"
#include "service/service_client.h"
#include "windows/adverts.h"
#include "windows/behaviours.h"
#include "windows/dialog_tabs.h"
#include "windows/url_policy.h"

namespace lumora {

namespace {
constexpr WindowId kSelf = WindowId::AboutWindow;

void OnCreated(Program& p, EventArgs&);
void OnServiceChatClick(Program& p, EventArgs&);
void OnWebsiteClick(Program& p, EventArgs&);
void OnOptionsTabClick(Program& p, EventArgs&);
void OnCloseClick(Program& p, EventArgs&);

// The own tab and the apply button do nothing here.
// clang-format off
constexpr Binding kBindings[] = {
  {"",          Event::Created,        OnCreated},
  {"版本1",     Event::LeftButtonDown, OnServiceChatClick},
  {"版本7",     Event::LeftButtonDown, OnWebsiteClick},
  {"选项按钮",  Event::Clicked,        OnOptionsTabClick},
  {"图形按钮1", Event::Clicked,        OnCloseClick},
  {"图形按钮2", Event::Clicked,        OnCloseClick},
  {"关闭按钮",  Event::Clicked,        OnCloseClick},
};

// The fixed parts of the texts, per language. The English updater line has never had a
// colon, unlike the one above it.
struct Texts {
  std::string_view program_version;
  std::string_view updater_version;
  std::string_view rights_before, rights_after;  // around the product name
  std::string_view website;
  std::string_view service_chat;
};
constexpr std::array<Texts, 3> kTexts = {{
  {"主程序版本：",    "升级程序版本：", "版权所有 © ", " 保留所有权利",          "软件官网 ",         "联系客服"},
  {"主程序版本：",    "升級程序版本：", "版權所有 © ", " 保留所有權利",          "軟件官網 ",         "聯系客服"},
  {"Player Version:", "Update Version", "Copyright © ", ". All rights reserved.", "Software Website ", "Contact Us"},
}};
// clang-format on

void SetText(Program& p, std::string_view label, std::string text) {
  p.SetProperty(kSelf, label, Prop::Text, std::move(text));
}

// Skins, and the texts and versions the service publishes now, in the language. Each page is
// fetched as it is needed; one the service cannot deliver leaves only the fixed part.
void OnCreated(Program& p, EventArgs&) {
  SkinDialogFrame(p, kSelf);
  const std::optional<int> language = LanguageChoice(p.RunDirectory());
  if (!language) return;  // the design texts stay, and the buttons have no pictures
  const auto index = static_cast<std::size_t>(*language - 1);
  const Texts& t = kTexts[index];
  SetText(p, "名称", FetchServiceText(kProductNamePages[index]));
  SetText(p, "版本", std::string(t.program_version) + FetchServiceText(kProgramVersionPage));
  SetText(p, "版本3", std::string(t.updater_version) + FetchServiceText(kUpdaterVersionPage));
  SetText(p, "透明标签1", FetchServiceText(kAboutTextPages[index]));
  SetText(p, "版本5",
          std::string(t.rights_before) + FetchServiceText(kProductNamePages[index]) +
              std::string(t.rights_after));
  SetText(p, "版本7", std::string(t.website) + WebsiteAddress());
  p.SetProperty(kSelf, "LOGO", Prop::Picture,
                ReadFileBytes(p.LocalPath("Skins/Default/AboutLOGO.gif")));
  SetText(p, "版本1", std::string(t.service_chat));
  SkinDialogButtons(p, kSelf, *language);
}

void OnServiceChatClick(Program& p, EventArgs&) {
  OpenServiceChat(p);
}

// Opens the product's web site, deciphered afresh; only a web address reaches the desktop.
void OnWebsiteClick(Program& p, EventArgs&) {
  OpenWebAddress(p, WebsiteAddress());
}

void OnOptionsTabClick(Program& p, EventArgs&) {
  SwitchDialogTab(p, kSelf, WindowId::SettingsWindow);
}

// The confirm, cancel and close buttons.
void OnCloseClick(Program& p, EventArgs&) {
  p.DestroyWindow(kSelf);
}
}  // namespace

std::span<const Binding> AboutWindowBindings() {
  return kBindings;
}

}  // namespace lumora
