// The opt-in traces: where they go, and the stall record the user-interface watch writes.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/stall_log.h"
#include "platform/trace_file.h"

namespace lumora {
namespace {

using namespace std::chrono_literals;
using Clock = StallLog::Clock;

std::string ReadAll(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(TraceFile, OffUnlessSetAndAppendsWholeLinesToItsFile) {
  EXPECT_FALSE(TraceFile(nullptr));
  EXPECT_FALSE(TraceFile(""));
  EXPECT_TRUE(TraceFile("1"));
  EXPECT_FALSE(TraceFile("/nonexistent-folder/trace.txt"));

  const auto path = std::filesystem::temp_directory_path() /
                    ("lumora-trace-test-" + std::to_string(getpid()) + ".txt");
  std::filesystem::remove(path);
  {
    TraceFile first(path.c_str());
    first.WriteLine("one\n");
    EXPECT_EQ(ReadAll(path), "one\n") << "readable while the program still runs";
  }
  TraceFile(path.c_str()).WriteLine("two\n");
  EXPECT_EQ(ReadAll(path), "one\ntwo\n") << "a second run must not wipe the first";
  std::filesystem::remove(path);
}

TEST(StallLog, KeepsTheGapsOverItsMarkAndTheLongest) {
  const Clock::time_point t0{50s};
  StallLog log(t0, 50ms);
  log.Tick(t0 + 10ms);
  log.Tick(t0 + 20ms);
  log.Tick(t0 + 3020ms);  // a fetch that took three seconds
  log.Tick(t0 + 3030ms);
  log.Tick(t0 + 3130ms);
  log.Tick(t0 + 3180ms);  // exactly the mark: not kept
  EXPECT_EQ(log.Ticks(), 6u);
  ASSERT_EQ(log.Kept().size(), 2u);
  EXPECT_EQ(log.Kept()[0].from, t0 + 20ms);
  EXPECT_EQ(log.Kept()[0].Length(), 3000ms);
  EXPECT_EQ(log.Kept()[1].Length(), 100ms);
  EXPECT_EQ(log.Longest().to, t0 + 3020ms);
}

TEST(StallLog, TheWayOutCountsAsAStretchOfItsOwn) {
  const Clock::time_point t0{50s};
  StallLog log(t0, 50ms);
  log.Tick(t0 + 10ms);
  log.Tick(t0 + 210ms);
  // The loop stopped at 210 ms; the program ended 4 s later.
  const std::string report = log.Report(t0 + 4210ms);
  EXPECT_EQ(report,
            "stalls ticks=2 over-ms=50 kept=1 dropped=0\n"
            "stall-longest ms=4000.0 from=50.210000 to=54.210000\n"
            "stall ms=200.0 from=50.010000 to=50.210000\n"
            "stall ms=4000.0 from=50.210000 to=54.210000 final\n");
  // Before any tick, the whole run is that one stretch.
  EXPECT_EQ(StallLog(t0, 50ms).Report(t0 + 1s),
            "stalls ticks=0 over-ms=50 kept=0 dropped=0\n"
            "stall-longest ms=1000.0 from=50.000000 to=51.000000\n"
            "stall ms=1000.0 from=50.000000 to=51.000000 final\n");
}

TEST(StallLog, ALongRunKeepsABoundedRecord) {
  const Clock::time_point t0{0s};
  StallLog log(t0, 50ms);
  Clock::time_point t = t0;
  for (std::size_t i = 0; i < StallLog::kMaxKept + 5; ++i) log.Tick(t += 60ms);
  log.Tick(t += 90ms);
  EXPECT_EQ(log.Kept().size(), StallLog::kMaxKept);
  EXPECT_EQ(log.Dropped(), 6u);
  EXPECT_EQ(log.Longest().Length(), 90ms) << "the longest is known even when not kept";
}

}  // namespace
}  // namespace lumora
