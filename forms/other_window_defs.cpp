// Windows whose controls are still to be declared: size, caption and visibility only.
#include "forms/windows_defs.h"

namespace lumora {

const WindowDef kPlayerWindowDef{WindowId::PlayerWindow, 984, 624, "", true, {}};
const WindowDef kAppCentreWindowDef{WindowId::AppCentreWindow, 984, 624, "", true, {}};
const WindowDef kAppWindowDef{WindowId::AppWindow, 984, 624, "APP应用窗口", true, {}};
const WindowDef kPopUnderWindowDef{WindowId::PopUnderWindow, 600, 400, "背投广告", true, {}};
const WindowDef kRightPopupWindowDef{WindowId::RightPopupWindow, 296, 246, "广告组件", false, {}};
const WindowDef kExitPopupWindowDef{WindowId::ExitPopupWindow, 332, 276,
                                    "Vellmark影音系列退弹广告", true, {}};
const WindowDef kAboutWindowDef{WindowId::AboutWindow, 552, 352, "Vellmark影音系列关于窗口",
                                true, {}};
const WindowDef kSettingsWindowDef{WindowId::SettingsWindow, 552, 352,
                                   "Vellmark影音系列设置窗口", true, {}};

}  // namespace lumora
