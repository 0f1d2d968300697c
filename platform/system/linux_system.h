// The real system services on Linux desktops.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "platform/system.h"

namespace lumora {

// Starts `path` with `args` (no shell, so blanks and quotes in either are harmless) and
// returns at once; the child is reaped in the background. False when it cannot start.
bool SpawnDetached(const std::string& path, const std::vector<std::string>& args);

// The XDG autostart entry file for `entry_name` ($XDG_CONFIG_HOME/autostart/NAME.desktop).
std::filesystem::path AutostartEntryPath(const std::string& entry_name);
// Quotes one argument for a desktop entry's Exec key.
std::string QuoteExecArgument(const std::string& arg);

// True when some non-loopback interface is up or loopback itself is up (a service on this
// machine is reachable); false inside an empty network namespace.
bool AnyInterfaceUp();

class LinuxSystem : public SystemServices {
 public:
  bool StartProgram(const std::string& path, const std::vector<std::string>& args) override;
  bool OpenUrl(const std::string& url) override;
  bool RegisterAutorun(const std::string& entry_name, const std::string& program_path) override;
  bool UnregisterAutorun(const std::string& entry_name) override;
  void SetScreenSaverActive(bool active) override;
  void TrimWorkingSet() override;
  bool IsNetworkConnected() override;

 private:
  bool screen_saver_active_ = true;
};

}  // namespace lumora
