// Work that blocks the user-interface thread (a service fetch) runs through here, so that a
// running program can keep its windows drawn while the work waits: the program's view may run
// it on another thread and turn a loop that paints and answers the window manager meanwhile,
// while every event for the program's handlers is held until the work is done.
#pragma once

#include <functional>
#include <stop_token>

namespace lumora {

// Work to run to completion. It should give up soon after `stop` is requested (the program
// ended meanwhile); what it then returns no handler will use.
using BlockingWork = std::function<void(std::stop_token stop)>;
using BlockingRunner = std::function<void(const BlockingWork& work)>;

// Runs `work` and returns when it has finished: through the runner that is set, else at once
// on this thread with a token that is never stopped. Call on the user-interface thread only.
// The runner may throw after the work has finished (a program that ended meanwhile).
void RunBlocking(const BlockingWork& work);

// For views: runs `work` on a thread of its own while `meanwhile` runs on this one, then
// `finished` on the work's thread once the work is done (to end what `meanwhile` runs).
// Returns when both are done; an exception of the work is thrown again here.
void RunBeside(const std::function<void()>& work, const std::function<void()>& meanwhile,
               const std::function<void()>& finished = {});

// The program's runner while it exists; returns the one it replaces.
BlockingRunner SetBlockingRunner(BlockingRunner runner);

}  // namespace lumora
