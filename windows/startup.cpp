#include "windows/startup.h"

#include <array>
#include <string>

#include "config/language_tables.h"
#include "config/text_number.h"
#include "forms/frame.h"
#include "platform/files.h"
#include "service/pages.h"
#include "service/service_client.h"
#include "service/version_check.h"
#include "windows/adverts.h"
#include "windows/config_items.h"

namespace lumora {

namespace {

constexpr WindowId kMain = WindowId::MainWindow;

// Window flags that must never carry over from an earlier run, in the order they are reset.
constexpr std::array<std::string_view, 7> kWindowFlags = {
    "APPWindows", "PlayerWindows", "PlayerOpen",        "APPOpen",
    "Maximize",   "APPMaximize",   "APPCenterMaximize",
};

constexpr std::array<std::string_view, 5> kColumnLabels = {
    "栏目1标签", "栏目2标签", "栏目3标签", "栏目4标签", "栏目5标签",
};

// "开" shows the label, "关" hides it, anything else leaves it as designed (shown).
void ApplyColumnSwitch(Program& p, std::string_view label, const std::string& state) {
  if (IsOn(state)) p.SetProperty(kMain, label, Prop::Visible, true);
  if (IsOff(state)) p.SetProperty(kMain, label, Prop::Visible, false);
}

void ApplyColumnSwitches(Program& p) {
  SharedState& s = p.Shared();
  s.Column4Switch = FetchServiceText(kColumn4SwitchPage);
  s.Column5Switch = FetchServiceText(kColumn5SwitchPage);
  ApplyColumnSwitch(p, "栏目4标签", s.Column4Switch);
  ApplyColumnSwitch(p, "栏目5标签", s.Column5Switch);
}

// Captions, columns, the loading page while the home page loads, the first text
// advertisement and the version check. False when the start-up must go no further.
bool ShowMainContent(Program& p) {
  ApplyStartupNames(p);
  ApplyColumnSwitches(p);
  p.SetProperty(kMain, "WebBrowser1", Prop::Visible, false);
  p.NavigateBrowser(kMain, "WebBrowser2", p.LocalPath("Html/Loading.html").string());
  p.MoveControl(kMain, "WebBrowser2", 0, 28, 984, 596);
  // The old browser control was told here to keep script errors to itself; ours never shows
  // a dialog for them, so there is nothing to switch on.
  p.NavigateBrowser(kMain, "WebBrowser1", ServiceBase());
  // The loading page must be on screen during the wait, not only after the creation event.
  p.SetProperty(kMain, "", Prop::Visible, true);
  p.Delay(5000);
  // The user may have closed the program during the wait; nothing more may then happen on
  // its behalf (no version message, no updater, no pop-ups).
  if (!p.IsLoaded(kMain)) return false;
  p.SetProperty(kMain, "WebBrowser2", Prop::Visible, false);
  p.SetProperty(kMain, "WebBrowser1", Prop::Visible, true);
  RefreshTextAdvert(p, 1);
  CheckForcedUpgrade(p);
  return true;
}

void ApplyStartupContent(Program& p) {
  if (!LoadStartupNames(p)) return;
  const bool service_names = IsOff(p.Shared().StartupSwitch);
  if (!ShowMainContent(p)) return;
  if (service_names) StartPopupAdvertising(p);
}

// The window goes first, so the program ends as soon as the user has read the message.
void ReportNoNetwork(Program& p) {
  p.DestroyWindow(kMain);
  p.ShowMessageBox(kNoNetworkMessage, kNoNetworkFlags, kNoNetworkTitle);
}

}  // namespace

bool LoadStartupNames(Program& p) {
  SharedState& s = p.Shared();
  s.StartupSwitch = FetchServiceText(kStartupSwitchPage);
  const std::optional<int> language = StartupLanguageCode(s.StartupLanguage);
  const bool on = IsOn(s.StartupSwitch);
  if (!language || (!on && !IsOff(s.StartupSwitch))) return false;

  if (on) {
    s.ProductName = ReadTableProductName(p.RunDirectory(), *language);
  } else {
    s.ProductName = FetchServiceText(kProductNamePages[static_cast<std::size_t>(*language - 1)]);
  }
  const auto columns = ReadTableColumnNames(p.RunDirectory(), *language);
  s.Column1Name = columns[0];
  s.Column2Name = columns[1];
  s.Column3Name = columns[2];
  s.Column4Name = columns[3];
  s.Column5Name = columns[4];
  return true;
}

void ApplyStartupNames(Program& p) {
  const SharedState& s = p.Shared();
  p.SetProperty(kMain, "", Prop::Text, s.ProductName);
  p.SetProperty(kMain, "软件名称标签", Prop::Text, s.ProductName);
  const std::array<const std::string*, 5> names = {&s.Column1Name, &s.Column2Name, &s.Column3Name,
                                                   &s.Column4Name, &s.Column5Name};
  for (std::size_t i = 0; i < kColumnLabels.size(); ++i) {
    p.SetProperty(kMain, kColumnLabels[i], Prop::Text, *names[i]);
  }
}

void ResetWindowFlags(Program& p) {
  for (std::string_view flag : kWindowFlags) WriteSetting(p, flag, "1");
}

void RunMainWindowStartup(Program& p) {
  ApplyFrameSkin(p, kMain);
  // The logo once more, last, as the window always did.
  p.SetProperty(kMain, "图片框2", Prop::Picture,
                ReadFileBytes(p.LocalPath("Skins/Default/Top.jpg")));
  p.Shared().StartupLanguage = ReadSetting(p, "Language");
  ResetWindowFlags(p);
  // Our screen-saver inhibit lasts only as long as the program, so a stored choice to keep
  // the screen saver off is taken up again at every start.
  if (NumberMatches(ReadSetting(p, "Screen"), 1)) p.System().SetScreenSaverActive(false);
  if (p.System().IsNetworkConnected(ServiceBase())) {
    ApplyStartupContent(p);
  } else {
    ReportNoNetwork(p);
  }
}

}  // namespace lumora
