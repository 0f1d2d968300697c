// Speed and time left of a download, from the byte counts it reports, and their wording.
#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>

namespace lumora::update {

class ProgressMeter {
 public:
  using Clock = std::chrono::steady_clock;

  // `done` bytes of `total` at `now`. A count below the previous one (a restarted
  // download) starts the measurement again.
  void Add(std::uint64_t done, std::uint64_t total, Clock::time_point now);

  std::uint64_t Done() const { return done_; }
  std::uint64_t Total() const { return total_; }
  // Bytes per second over the last few seconds; nothing until a second's worth is measured.
  std::optional<double> Speed() const;
  // Nothing while the speed is unknown or zero.
  std::optional<std::chrono::seconds> TimeLeft() const;

 private:
  struct Sample {
    Clock::time_point at;
    std::uint64_t done;
  };
  std::deque<Sample> samples_;
  std::uint64_t done_ = 0;
  std::uint64_t total_ = 0;
};

// "512 B", "1.5 KB", "12.3 MB", "1.02 GB" (powers of 1024).
std::string ByteText(double bytes);
// "0:07", "12:34", "1:02:03"; "—" when unknown.
std::string DurationText(std::optional<std::chrono::seconds> duration);

}  // namespace lumora::update
