// Which stretch of uninterrupted work the user-interface thread is in. The program starts a new
// turn whenever its event loop has had a chance to run: at each event a loop hands it, and on
// entering and leaving each nested loop. Work that blocks the thread (a service fetch) reads it
// to tell one freeze of the windows from the next.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>

namespace lumora {

// 0 while no program handles events (before its first event, after it is gone, in tools and
// benchmarks); otherwise a number no earlier turn had.
std::uint64_t CurrentUiTurn();
void BeginUiTurn();
// The program is gone: back to 0 until the next one begins a turn.
void EndUiTurns();

// The stretches in which the program's handlers keep the thread from its loops: from a handler's
// start, or its return from a nested loop, to its end or its next nested loop; the service
// waits inside them included. For the stall watch; nothing listens by default.
using BusyClock = std::chrono::steady_clock;
using BusyListener = std::function<void(BusyClock::time_point from, BusyClock::time_point to)>;
void SetBusyListener(BusyListener listener);
void BeginBusy();
void EndBusy();

}  // namespace lumora
