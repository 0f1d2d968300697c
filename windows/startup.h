// MainWindow's creation: the whole start-up of the program, from the skin to the version
// check and the pop-ups.
#pragma once

#include <string_view>

#include "platform/program.h"

namespace lumora {

inline constexpr std::string_view kNoNetworkMessage = "请链接网络后，重新运行本程序！";
inline constexpr std::string_view kNoNetworkTitle = "提示";
inline constexpr int kNoNetworkFlags = 0x30;  // warning icon, OK only

// The creation event of MainWindow.
void RunMainWindowStartup(Program& program);

// Resets the open and maximize flags of the windows, which must never carry over from an
// earlier run: the start-up does this before any window opens.
void ResetWindowFlags(Program& program);

// The start-up load of names. Fetches the start-up switch into StartupSwitch; then, for the
// exact code in StartupLanguage ("1", "2" or "3"), fills ProductName and Column1Name to
// Column5Name: all six from the language's table when the switch is on; the product name
// from the service's name page and the columns from the table when it is off. Returns false,
// with the names untouched, for any other switch text or code: the start-up goes no further.
bool LoadStartupNames(Program& program);

// Puts the loaded names on MainWindow: its caption, the product label and the five columns.
void ApplyStartupNames(Program& program);

}  // namespace lumora
