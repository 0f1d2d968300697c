#include "platform/stall_log.h"

#include <cstdio>

namespace lumora {

namespace {

double Seconds(StallLog::Clock::time_point t) {
  return std::chrono::duration<double>(t.time_since_epoch()).count();
}

double Milliseconds(StallLog::Clock::duration d) {
  return std::chrono::duration<double, std::milli>(d).count();
}

std::string GapLine(const char* label, const StallLog::Gap& gap, const char* tail) {
  char line[160];
  std::snprintf(line, sizeof line, "%s ms=%.1f from=%.6f to=%.6f%s\n", label,
                Milliseconds(gap.Length()), Seconds(gap.from), Seconds(gap.to), tail);
  return line;
}

}  // namespace

StallLog::StallLog(Clock::time_point start, Clock::duration report_over)
    : report_over_(report_over), last_(start), longest_{start, start} {}

void StallLog::Tick(Clock::time_point now) {
  const Gap gap{last_, now};
  last_ = now;
  Record(gap);
}

void StallLog::Record(Gap gap) {
  ++ticks_;
  if (gap.Length() > longest_.Length()) longest_ = gap;
  if (gap.Length() <= report_over_) return;
  if (kept_.size() < kMaxKept) {
    kept_.push_back(gap);
  } else {
    ++dropped_;
  }
}

std::string StallLog::Report(Clock::time_point end) const {
  const Gap final_gap{last_, end};
  const Gap longest = final_gap.Length() > longest_.Length() ? final_gap : longest_;
  char summary[160];
  std::snprintf(summary, sizeof summary, "stalls ticks=%zu over-ms=%.0f kept=%zu dropped=%zu\n",
                ticks_, Milliseconds(report_over_), kept_.size(), dropped_);
  std::string text = summary;
  text += GapLine("stall-longest", longest, "");
  for (const Gap& gap : kept_) text += GapLine("stall", gap, "");
  text += GapLine("stall", final_gap, " final");
  return text;
}

std::string StallLog::ReportStretches() const {
  char summary[160];
  std::snprintf(summary, sizeof summary, "handlers count=%zu over-ms=%.0f kept=%zu dropped=%zu\n",
                ticks_, Milliseconds(report_over_), kept_.size(), dropped_);
  std::string text = summary;
  text += GapLine("handler-longest", longest_, "");
  for (const Gap& gap : kept_) text += GapLine("handler", gap, "");
  return text;
}

}  // namespace lumora
