// The service decides whether this build must be replaced; the program only asks, tells the
// user and starts the separate updater.
#pragma once

#include <filesystem>
#include <string_view>

#include "platform/program.h"

namespace lumora {

inline constexpr std::string_view kUpgradeMessage = "程序已经有新版本，请升级！";
inline constexpr std::string_view kUpgradeTitle = "警告";
inline constexpr int kUpgradeMessageFlags = 0x40;  // information icon, OK only

#ifdef _WIN32
inline constexpr std::string_view kUpdaterFileName = "Update.exe";
#else
inline constexpr std::string_view kUpdaterFileName = "Update";
#endif

// The updater in the program's own directory.
std::filesystem::path UpdaterPath(const Program& program);

// The automatic check, last step of the main window's set-up. When the check switch and this
// build's version page are both exactly on: the message, the updater started, and the program
// ends (exit code 0). Anything else, a failed fetch included, changes nothing.
void CheckForcedUpgrade(Program& program);

// The manual path from the option menu: closes the main window, then starts the updater. No
// page is fetched and no message shown.
void RunUpdater(Program& program);

}  // namespace lumora
