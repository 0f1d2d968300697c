// The real system services on Linux desktops.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/system.h"
#include "platform/system/memory.h"

namespace lumora {

// Starts `path` with `args` (no shell, so blanks and quotes in either are harmless) and
// returns at once; the child is reaped in the background. False when it cannot start.
bool SpawnDetached(const std::string& path, const std::vector<std::string>& args);

// The XDG autostart entry file for `entry_name` ($XDG_CONFIG_HOME/autostart/NAME.desktop).
std::filesystem::path AutostartEntryPath(const std::string& entry_name);
// Quotes one argument for a desktop entry's Exec key.
std::string QuoteExecArgument(const std::string& arg);

// True when some interface with an IP address is up; loopback counts only when
// `count_loopback`.
bool AnyInterfaceUp(bool count_loopback);
// True when the host of `address` (scheme://host[:port]/...) is this machine: localhost,
// 127.0.0.0/8 or ::1.
bool IsLoopbackAddressHost(std::string_view address);

namespace dbus {
struct Connection;
}

// The desktop keeps its screen saver away while one of these lives (see screen_saver.cpp).
class ScreenSaverInhibit {
 public:
  // Asks the desktop; none when it cannot be asked or says no.
  static std::unique_ptr<ScreenSaverInhibit> Take();
  ~ScreenSaverInhibit();
  ScreenSaverInhibit(const ScreenSaverInhibit&) = delete;
  ScreenSaverInhibit& operator=(const ScreenSaverInhibit&) = delete;

 private:
  ScreenSaverInhibit(dbus::Connection* connection, const char* path, std::uint32_t cookie)
      : connection_(connection), path_(path), cookie_(cookie) {}

  dbus::Connection* connection_;
  const char* path_;
  std::uint32_t cookie_;
};

class LinuxSystem : public SystemServices {
 public:
  LinuxSystem() = default;
  // Gives back a screen-saver inhibit still held.
  ~LinuxSystem() override;
  LinuxSystem(const LinuxSystem&) = delete;
  LinuxSystem& operator=(const LinuxSystem&) = delete;

  bool StartProgram(const std::string& path, const std::vector<std::string>& args) override;
  bool OpenUrl(const std::string& url) override;
  bool RegisterAutorun(const std::string& entry_name, const std::string& program_path) override;
  bool UnregisterAutorun(const std::string& entry_name) override;
  // false: the desktop keeps the screen saver away until true, or until the program ends
  // however it ends.
  void SetScreenSaverActive(bool active) override;
  bool ScreenSaverInhibited() const;
  void TrimWorkingSet() override;
  bool IsNetworkConnected(const std::string& service_address) override;

 private:
  std::unique_ptr<ScreenSaverInhibit> screen_saver_inhibit_;
  TrimSchedule trim_schedule_;
};

}  // namespace lumora
