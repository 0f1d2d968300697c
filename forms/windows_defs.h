// One definition per window; each lives in its own file of this folder.
#pragma once

#include "platform/definition.h"

namespace lumora {

extern const WindowDef kMainWindowDef;
extern const WindowDef kPlayerWindowDef;
extern const WindowDef kAppCentreWindowDef;
extern const WindowDef kAppWindowDef;
extern const WindowDef kPopUnderWindowDef;
extern const WindowDef kRightPopupWindowDef;
extern const WindowDef kExitPopupWindowDef;
extern const WindowDef kAboutWindowDef;
extern const WindowDef kSettingsWindowDef;

}  // namespace lumora
