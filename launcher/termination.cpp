#include "launcher/termination.h"

#include <fcntl.h>
#include <unistd.h>

#include <csignal>

namespace lumora {

namespace {
int signal_pipe[2] = {-1, -1};

void OnSignal(int signal_number) {
  // Only async-signal-safe work here: hand the signal to the event loop through a pipe.
  const unsigned char byte = static_cast<unsigned char>(signal_number);
  [[maybe_unused]] const ssize_t written = write(signal_pipe[1], &byte, 1);
}
}  // namespace

TerminationWatch::TerminationWatch(Program& program, int read_fd)
    : notifier_(read_fd, QSocketNotifier::Read, this) {
  QObject::connect(&notifier_, &QSocketNotifier::activated, this, [&program, read_fd] {
    unsigned char byte = 0;
    while (read(read_fd, &byte, 1) == 1) {
    }
    program.Terminate(128 + byte);
  });
}

std::unique_ptr<TerminationWatch> WatchTerminationSignals(Program& program) {
  if (pipe2(signal_pipe, O_CLOEXEC | O_NONBLOCK) != 0) return nullptr;
  struct sigaction action {};
  action.sa_handler = OnSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (int s : {SIGTERM, SIGINT, SIGHUP}) sigaction(s, &action, nullptr);
  return std::make_unique<TerminationWatch>(program, signal_pipe[0]);
}

}  // namespace lumora
