// Which stretch of uninterrupted work the user-interface thread is in. The program starts a new
// turn whenever its event loop has had a chance to run: at each event a loop hands it, and on
// entering and leaving each nested loop. Work that blocks the thread (a service fetch) reads it
// to tell one freeze of the windows from the next.
#pragma once

#include <cstdint>

namespace lumora {

// 0 while no program handles events (before its first event, after it is gone, in tools and
// benchmarks); otherwise a number no earlier turn had.
std::uint64_t CurrentUiTurn();
void BeginUiTurn();
// The program is gone: back to 0 until the next one begins a turn.
void EndUiTurns();

}  // namespace lumora
