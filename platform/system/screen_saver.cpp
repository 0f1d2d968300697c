#include "platform/system/linux_system.h"

namespace lumora {

void LinuxSystem::SetScreenSaverActive(bool active) {
  // Held for this process only; nothing is left behind in the desktop's settings when the
  // program ends.
  screen_saver_active_ = active;
}

}  // namespace lumora
