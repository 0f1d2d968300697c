#include "platform/ui_turn.h"

#include <utility>

namespace lumora {

namespace {
// Read and written on the user-interface thread only. The count never goes back, so a turn
// number is never reused, even by the next program in the same process.
std::uint64_t count = 0;
bool active = false;
BusyListener busy_listener;
bool busy = false;
BusyClock::time_point busy_since;
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

void SetBusyListener(BusyListener listener) {
  busy_listener = std::move(listener);
  busy = false;
}

void BeginBusy() {
  if (!busy_listener) return;
  busy = true;
  busy_since = BusyClock::now();
}

void EndBusy() {
  if (!busy_listener || !busy) return;
  busy = false;
  busy_listener(busy_since, BusyClock::now());
}

}  // namespace lumora
