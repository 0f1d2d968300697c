// The stretches the user-interface thread went without turning its event loop, taken from the
// ticks of a short timer: a long gap between two ticks is a freeze of every window.
#pragma once

#include <chrono>
#include <cstddef>
#include <string>
#include <vector>

namespace lumora {

class StallLog {
 public:
  using Clock = std::chrono::steady_clock;
  struct Gap {
    Clock::time_point from;
    Clock::time_point to;
    Clock::duration Length() const { return to - from; }
  };

  // Gaps longer than `report_over` are kept one by one; the longest is always known.
  StallLog(Clock::time_point start, Clock::duration report_over);

  void Tick(Clock::time_point now);
  // A stretch measured by its owner (a handler that held the thread), kept as a tick gap is.
  void Record(Gap stretch);

  // The kept gaps in order; after the first kMaxKept only the count of the others.
  const std::vector<Gap>& Kept() const { return kept_; }
  std::size_t Dropped() const { return dropped_; }
  Gap Longest() const { return longest_; }
  std::size_t Ticks() const { return ticks_; }

  // The record up to `end`, one line each: a summary, then every kept gap; the stretch from the
  // last tick to `end` (the way out, once the loop has stopped) closes it, marked "final".
  // Times are seconds of the steady clock, which other programs read as CLOCK_MONOTONIC.
  std::string Report(Clock::time_point end) const;
  // The recorded stretches, as "handlers count=N", "handler-longest ms=...", then "handler
  // ms=..." lines: nothing is open at the end.
  std::string ReportStretches() const;

  static constexpr std::size_t kMaxKept = 10000;

 private:
  std::string Lines(const char* kind, const char* count_name, const Gap& longest) const;

  Clock::duration report_over_;
  Clock::time_point last_;
  Gap longest_;
  std::vector<Gap> kept_;
  std::size_t dropped_ = 0;
  std::size_t ticks_ = 0;
};

}  // namespace lumora
