#include <ifaddrs.h>
#include <net/if.h>

#include "platform/system/linux_system.h"

namespace lumora {

bool AnyInterfaceUp() {
  ifaddrs* list = nullptr;
  if (getifaddrs(&list) != 0) return false;
  bool up = false;
  for (ifaddrs* i = list; i != nullptr && !up; i = i->ifa_next) {
    up = (i->ifa_flags & IFF_UP) != 0 && (i->ifa_flags & IFF_RUNNING) != 0;
  }
  freeifaddrs(list);
  return up;
}

bool LinuxSystem::IsNetworkConnected() { return AnyInterfaceUp(); }

}  // namespace lumora
