// Closing and leaving the program from MainWindow: the close button (to the tray or out),
// the quit items, and the exit sequence with the service's last word on the exit pop-up and
// the next start's language.
#pragma once

#include <string_view>

#include "platform/program.h"

namespace lumora {

inline constexpr std::string_view kTrayTooltip = "点击本图标显示主程序";

// The close button of MainWindow: `Tray` "1" hides it to the tray (minimizes it on a desktop
// without a notification area), "2" runs the exit sequence, anything else does nothing.
void CloseMainWindow(Program& program);

// Ends the program: at once unless the start-up switch is off; when it is off, through the
// exit pop-up and with the next start's language as the exit pages say, and at once where
// they give no clear answer.
void ExitSequence(Program& program);

}  // namespace lumora
