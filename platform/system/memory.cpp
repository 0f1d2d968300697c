#include <malloc.h>

#include "platform/system/linux_system.h"

namespace lumora {

void LinuxSystem::TrimWorkingSet() {
  // The closest Linux analogue of emptying the working set: return free heap pages.
  malloc_trim(0);
}

}  // namespace lumora
