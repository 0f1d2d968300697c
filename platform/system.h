// Integrations with the operating system, behind one interface so behaviour tests can
// record what the program asked for. Real implementations live in platform/system/.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace lumora {

class SystemServices {
 public:
  virtual ~SystemServices() = default;

  // Starts a program file with the given arguments, without a shell, and returns at once.
  virtual bool StartProgram(const std::string& path, const std::vector<std::string>& args) = 0;
  // Opens an address with the desktop's handler.
  virtual bool OpenUrl(const std::string& url) = 0;
  // Starts the program at log-on under `entry_name`, or removes that entry.
  virtual bool RegisterAutorun(const std::string& entry_name, const std::string& program_path) = 0;
  virtual bool UnregisterAutorun(const std::string& entry_name) = 0;
  // Allows or inhibits the screen saver for as long as the program runs.
  virtual void SetScreenSaverActive(bool active) = 0;
  // Hands unused memory back to the system.
  virtual void TrimWorkingSet() = 0;
  // Whether the service at `service_address` may be reachable over some network.
  virtual bool IsNetworkConnected(const std::string& service_address) = 0;
};

}  // namespace lumora
