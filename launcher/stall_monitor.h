// An opt-in watch on the user-interface thread: with LUMORA_TRACE_STALLS set ("1" for standard
// error, else a file to append to), a 10 ms timer ticks while the program runs, and when the
// program ends two records are written out (platform/stall_log.h): the stretches the thread
// went without turning an event loop, in which nothing could be painted and the window manager
// got no answer ("stall" lines), and the stretches the handlers held the thread from the
// program's loops, their service waits included ("handler" lines). While a handler waits for
// the service the thread still turns a loop that paints, so the first stays short while the
// second is as long as the wait. Unset, nothing is created.
#pragma once

#include <QTimer>
#include <memory>

#include "platform/stall_log.h"
#include "platform/trace_file.h"

namespace lumora {

class StallMonitor {
 public:
  // None when the variable is unset or its file cannot be opened.
  static std::unique_ptr<StallMonitor> FromEnvironment();
  explicit StallMonitor(const char* setting);
  // Writes the record; the stretch since the last tick is the program's way out.
  ~StallMonitor();
  StallMonitor(const StallMonitor&) = delete;
  StallMonitor& operator=(const StallMonitor&) = delete;

 private:
  TraceFile file_;
  StallLog log_;
  StallLog handlers_;
  QTimer timer_;
};

}  // namespace lumora
