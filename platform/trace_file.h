// Where an opt-in diagnostic trace goes. Traces are off unless their environment variable is
// set, so a normal run pays nothing for them.
#pragma once

#include <cstdio>

namespace lumora {

class TraceFile {
 public:
  // `setting` is the variable's value: null or empty, no trace; "1", standard error; anything
  // else, a file the trace is appended to (no trace when it cannot be opened).
  explicit TraceFile(const char* setting);
  ~TraceFile();
  TraceFile(const TraceFile&) = delete;
  TraceFile& operator=(const TraceFile&) = delete;

  explicit operator bool() const { return file_ != nullptr; }
  // One whole line (the text carries its own '\n'), flushed at once so a trace read while the
  // program runs, or after it was killed, is complete up to its last line.
  void WriteLine(const char* line) const;

 private:
  std::FILE* file_ = nullptr;
  bool own_ = false;
};

}  // namespace lumora
