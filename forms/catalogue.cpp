#include "forms/catalogue.h"

#include "forms/windows_defs.h"

namespace lumora {

const WindowDef& WindowDefinition(WindowId window) {
  switch (window) {
    case WindowId::MainWindow: return kMainWindowDef;
    case WindowId::PlayerWindow: return kPlayerWindowDef;
    case WindowId::AppCentreWindow: return kAppCentreWindowDef;
    case WindowId::AppWindow: return kAppWindowDef;
    case WindowId::PopUnderWindow: return kPopUnderWindowDef;
    case WindowId::RightPopupWindow: return kRightPopupWindowDef;
    case WindowId::ExitPopupWindow: return kExitPopupWindowDef;
    case WindowId::AboutWindow: return kAboutWindowDef;
    case WindowId::SettingsWindow: return kSettingsWindowDef;
  }
  return kMainWindowDef;
}

}  // namespace lumora
