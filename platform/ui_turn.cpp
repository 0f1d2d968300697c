#include "platform/ui_turn.h"

namespace lumora {

namespace {
// Read and written on the user-interface thread only. The count never goes back, so a turn
// number is never reused, even by the next program in the same process.
std::uint64_t count = 0;
bool active = false;
}  // namespace

std::uint64_t CurrentUiTurn() {
  return active ? count : 0;
}

void BeginUiTurn() {
  ++count;
  active = true;
}

void EndUiTurns() {
  active = false;
}

}  // namespace lumora
