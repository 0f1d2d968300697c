#include "platform/system/linux_system.h"

namespace lumora {

bool LinuxSystem::OpenUrl(const std::string& url) {
  // A leading '-' would be read as an option by the handler; refuse rather than guess.
  if (url.empty() || url.front() == '-') return false;
  return SpawnDetached("/usr/bin/xdg-open", {url});
}

}  // namespace lumora
