#include "updater/program/progress_meter.h"

#include <cstdio>

namespace lumora::update {
namespace {

// Long enough to smooth out bursts, short enough to follow a change of pace.
constexpr auto kWindow = std::chrono::seconds(5);
constexpr auto kMinimumSpan = std::chrono::seconds(1);

}  // namespace

void ProgressMeter::Add(std::uint64_t done, std::uint64_t total, Clock::time_point now) {
  if (done < done_) samples_.clear();
  done_ = done;
  total_ = total;
  samples_.push_back({now, done});
  while (samples_.size() > 2 && now - samples_[1].at >= kWindow) samples_.pop_front();
}

std::optional<double> ProgressMeter::Speed() const {
  if (samples_.size() < 2) return std::nullopt;
  const Sample& first = samples_.front();
  const Sample& last = samples_.back();
  const auto span = last.at - first.at;
  if (span < kMinimumSpan) return std::nullopt;
  return static_cast<double>(last.done - first.done) / std::chrono::duration<double>(span).count();
}

std::optional<std::chrono::seconds> ProgressMeter::TimeLeft() const {
  const auto speed = Speed();
  if (!speed || *speed <= 0.0) return std::nullopt;
  const double left = total_ > done_ ? static_cast<double>(total_ - done_) : 0.0;
  return std::chrono::seconds(static_cast<long long>(left / *speed + 0.999));
}

std::string ByteText(double bytes) {
  static constexpr const char* kUnits[] = {"B", "KB", "MB", "GB", "TB"};
  int unit = 0;
  while (bytes >= 1024.0 && unit < 4) {
    bytes /= 1024.0;
    ++unit;
  }
  char text[32];
  if (unit == 0) {
    std::snprintf(text, sizeof text, "%.0f B", bytes);
  } else {
    // Three significant digits, as a person reads a size.
    std::snprintf(text, sizeof text, bytes < 10 ? "%.2f %s" : bytes < 100 ? "%.1f %s" : "%.0f %s",
                  bytes, kUnits[unit]);
  }
  return text;
}

std::string DurationText(std::optional<std::chrono::seconds> duration) {
  if (!duration) return "—";
  const long long total = duration->count();
  const long long h = total / 3600, m = total / 60 % 60, s = total % 60;
  char text[32];
  if (h > 0) {
    std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", h, m, s);
  } else {
    std::snprintf(text, sizeof text, "%lld:%02lld", m, s);
  }
  return text;
}

}  // namespace lumora::update
