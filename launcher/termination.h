// Turns SIGTERM, SIGINT and SIGHUP into an orderly end of the program, so a logout or a
// Ctrl-C still runs the clean-up and leaves Config.ini consistent.
#pragma once

#include <QObject>
#include <QSocketNotifier>
#include <memory>

#include "platform/program.h"

namespace lumora {

class TerminationWatch : public QObject {
 public:
  TerminationWatch(Program& program, int read_fd);

 private:
  QSocketNotifier notifier_;
};

// Installs the handlers; the watch must live as long as the event loop runs. Null when the
// signals cannot be watched (the program then simply ends the default way).
std::unique_ptr<TerminationWatch> WatchTerminationSignals(Program& program);

}  // namespace lumora
