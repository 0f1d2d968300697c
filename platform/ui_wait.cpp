#include "platform/ui_wait.h"

#include <exception>
#include <thread>
#include <utility>

namespace lumora {

namespace {
// Set and read on the user-interface thread only.
BlockingRunner& Runner() {
  static BlockingRunner runner;
  return runner;
}
}  // namespace

void RunBlocking(const BlockingWork& work) {
  if (Runner()) {
    // A copy: the work may end the program that owns the runner.
    const BlockingRunner runner = Runner();
    runner(work);
    return;
  }
  std::stop_source never;
  work(never.get_token());
}

void RunBeside(const std::function<void()>& work, const std::function<void()>& meanwhile,
               const std::function<void()>& finished) {
  std::exception_ptr failure;
  std::thread worker([&] {
    try {
      work();
    } catch (...) {
      failure = std::current_exception();
    }
    if (finished) finished();
  });
  meanwhile();
  worker.join();
  if (failure) std::rethrow_exception(failure);
}

BlockingRunner SetBlockingRunner(BlockingRunner runner) {
  return std::exchange(Runner(), std::move(runner));
}

}  // namespace lumora
