#include "windows/exit_sequence.h"

#include <string>

#include "service/pages.h"
#include "service/service_client.h"
#include "windows/config_items.h"

namespace lumora {

namespace {

constexpr WindowId kMain = WindowId::MainWindow;

void HideToTray(Program& p) {
  // A window hidden where no icon can be shown could never come back.
  if (!p.TrayAvailable()) {
    p.SetProperty(kMain, "", Prop::WindowState, kWindowStateMinimized);
    return;
  }
  p.SetProperty(kMain, "", Prop::Visible, false);
  p.SetTrayIcon(kMain, p.LocalPath("Icon/TrayLOGO.ico").string(), kTrayTooltip);
}

// The next start's language, as the service wants it. The writer keeps only the first line,
// so a page cannot slip other items into Config.ini. A fetch that failed gives no text (nor
// does a page whose first line is empty): writing that would leave the next start without
// names or menus, so the stored choice stays.
void OverrideLanguage(Program& p) {
  const std::string& value = p.Shared().LanguageOverrideValue;
  const std::string first_line = value.substr(0, value.find_first_of("\r\n"));
  if (first_line.find_first_not_of(" \t") == std::string::npos) return;
  WriteSetting(p, "Language", value);
}

void ShowExitPopup(Program& p) {
  p.SetProperty(kMain, "", Prop::Visible, false);
  p.LoadWindow(WindowId::ExitPopupWindow);
}

}  // namespace

void CloseMainWindow(Program& p) {
  p.Shared().TraySetting = ReadSetting(p, "Tray");
  const std::string tray = p.Shared().TraySetting;
  if (tray == "1") HideToTray(p);
  if (tray == "2") ExitSequence(p);
}

void ExitSequence(Program& p) {
  SharedState& s = p.Shared();
  // On, the service has no say in the exit. Neither on nor off, it never answered at start-up
  // and will not be asked now: the user asked to quit, and nothing else would let them.
  if (!IsOff(s.StartupSwitch)) {
    p.DestroyWindow(kMain);
    return;
  }

  s.ExitPopupSwitch = FetchServiceText(kExitPopupSwitchPage);
  s.LanguageOverrideSwitch = FetchServiceText(kLanguageOverrideSwitchPage);
  s.LanguageOverrideValue = FetchServiceText(kLanguageOverridePage);
  const std::string popup = s.ExitPopupSwitch;
  const std::string override_switch = s.LanguageOverrideSwitch;
  // Without a clear answer on both, the service gets no pop-up and no language, but the
  // program ends all the same: a service that is down must not keep the user in.
  const bool answered =
      (IsOn(override_switch) || IsOff(override_switch)) && (IsOn(popup) || IsOff(popup));
  if (answered && IsOn(override_switch)) OverrideLanguage(p);
  if (answered && IsOn(popup)) {
    ShowExitPopup(p);
  } else {
    p.DestroyWindow(kMain);
  }
}

}  // namespace lumora
