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

std::string StallLog::Lines(const char* kind, const char* count_name, const Gap& longest) const {
  char summary[160];
  std::snprintf(summary, sizeof summary, "%ss %s=%zu over-ms=%.0f kept=%zu dropped=%zu\n", kind,
                count_name, ticks_, Milliseconds(report_over_), kept_.size(), dropped_);
  std::string text = summary;
  text += GapLine((std::string(kind) + "-longest").c_str(), longest, "");
  for (const Gap& gap : kept_) text += GapLine(kind, gap, "");
  return text;
}

std::string StallLog::Report(Clock::time_point end) const {
  const Gap final_gap{last_, end};
  const Gap longest = final_gap.Length() > longest_.Length() ? final_gap : longest_;
  return Lines("stall", "ticks", longest) + GapLine("stall", final_gap, " final");
}

std::string StallLog::ReportStretches() const {
  return Lines("handler", "count", longest_);
}

}  // namespace lumora
