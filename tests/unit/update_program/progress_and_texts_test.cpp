// The download's speed and time left, and the updater's words in its three languages.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "updater/program/flow.h"
#include "updater/program/progress_meter.h"
#include "updater/program/texts.h"

namespace lumora::update {
namespace {

using namespace std::chrono_literals;
using Clock = ProgressMeter::Clock;

TEST(ProgressMeter, SpeedAndTimeLeftFollowTheRecentPace) {
  ProgressMeter m;
  const Clock::time_point t0{100s};
  m.Add(0, 10'000'000, t0);
  EXPECT_FALSE(m.Speed()) << "no speed before a second is measured";
  EXPECT_FALSE(m.TimeLeft());
  m.Add(500'000, 10'000'000, t0 + 500ms);
  EXPECT_FALSE(m.Speed());
  m.Add(1'000'000, 10'000'000, t0 + 1s);
  ASSERT_TRUE(m.Speed());
  EXPECT_DOUBLE_EQ(*m.Speed(), 1'000'000.0);
  EXPECT_EQ(*m.TimeLeft(), 9s);
  // The pace doubles; after the window has passed only the new pace counts.
  for (int i = 1; i <= 10; ++i) m.Add(1'000'000 + i * 1'000'000, 10'000'000, t0 + 1s + i * 500ms);
  EXPECT_NEAR(*m.Speed(), 2'000'000.0, 1.0);
  EXPECT_EQ(*m.TimeLeft(), 0s);
}

TEST(ProgressMeter, ARestartedDownloadStartsTheMeasurementAgain) {
  ProgressMeter m;
  const Clock::time_point t0{100s};
  m.Add(0, 1000, t0);
  m.Add(800, 1000, t0 + 2s);
  m.Add(0, 1000, t0 + 3s);  // the server could not resume
  EXPECT_FALSE(m.Speed());
  m.Add(100, 1000, t0 + 4s);
  EXPECT_DOUBLE_EQ(*m.Speed(), 100.0);
  EXPECT_EQ(*m.TimeLeft(), 9s);
  ProgressMeter stalled;
  stalled.Add(10, 1000, t0);
  stalled.Add(10, 1000, t0 + 2s);
  EXPECT_FALSE(stalled.TimeLeft()) << "no time left is promised while nothing arrives";
}

TEST(ProgressWording, BytesAndDurationsReadAsAPersonWritesThem) {
  EXPECT_EQ(ByteText(0), "0 B");
  EXPECT_EQ(ByteText(1023), "1023 B");
  EXPECT_EQ(ByteText(1536), "1.50 KB");
  EXPECT_EQ(ByteText(12.3 * 1024 * 1024), "12.3 MB");
  EXPECT_EQ(ByteText(150.0 * 1024 * 1024 * 1024), "150 GB");
  EXPECT_EQ(DurationText(7s), "0:07");
  EXPECT_EQ(DurationText(754s), "12:34");
  EXPECT_EQ(DurationText(3723s), "1:02:03");
  EXPECT_EQ(DurationText(std::nullopt), "—");
}

TEST(Texts, EveryTextExistsInEveryLanguageAndOutcomesAreSentences) {
  const Text outcomes[] = {Text::kInstalled,      Text::kLatest,         Text::kRolledBack,
                           Text::kInstallFailed,  Text::kPackageManager, Text::kBusy,
                           Text::kRecoverFailed,  Text::kNoKey,          Text::kNoService,
                           Text::kBadSignature,   Text::kBadManifest,    Text::kSizeMismatch,
                           Text::kHashMismatch,   Text::kConnectionLost, Text::kDiskFull,
                           Text::kDownloadFailed, Text::kCancelled};
  std::set<std::string_view> codes;
  for (Text t : outcomes) {
    EXPECT_TRUE(codes.insert(CodeOf(t)).second) << CodeOf(t) << " is used twice";
    EXPECT_NE(CodeOf(t), "failed");
    for (int language = 1; language <= 3; ++language) {
      const std::string_view s = TextFor(t, language);
      ASSERT_FALSE(s.empty()) << CodeOf(t) << " in language " << language;
      EXPECT_EQ(s.find('\n'), std::string_view::npos);
      EXPECT_TRUE(s.ends_with(language == 3 ? "." : "。")) << s;
    }
    EXPECT_NE(TextFor(t, 1), TextFor(t, 3));
  }
  for (Text t : {Text::kTitle, Text::kCancel, Text::kClose, Text::kChecking, Text::kDownloading,
                 Text::kInstalling, Text::kStarting, Text::kProgress, Text::kCancelling}) {
    for (int language = 1; language <= 3; ++language) EXPECT_FALSE(TextFor(t, language).empty());
  }
  EXPECT_EQ(TextFor(Text::kLatest, 0), TextFor(Text::kLatest, 1)) << "unknown reads as 1";
  EXPECT_EQ(TextFor(Text::kLatest, 7), TextFor(Text::kLatest, 1));
  EXPECT_EQ(TextFor(Text::kPackageManager, 3).find("package manager") != std::string_view::npos,
            true);
}

TEST(Versions, AreOrderedPartByPartAsNumbers) {
  EXPECT_EQ(CompareVersions("1.0.10", "1.0.9"), 1);
  EXPECT_EQ(CompareVersions("1.0.1303.21", "1.0.1304.1"), -1);
  EXPECT_EQ(CompareVersions("1.0.1303.21.1", "1.0.1303.21"), 1);
  EXPECT_EQ(CompareVersions("1.0", "1.0.0"), 0);
  EXPECT_EQ(CompareVersions("01.002", "1.2"), 0);
  EXPECT_EQ(CompareVersions("0.0", "0"), 0);
  EXPECT_EQ(CompareVersions("99999999999999999999999.1", "99999999999999999999998.9"), 1);
  EXPECT_EQ(CompareVersions("2", "10"), -1) << "not as text";
  for (const char* bad : {"", "1.", ".1", "1..2", "1.a", "v1", "1.0-beta", " 1"}) {
    EXPECT_FALSE(CompareVersions(bad, "1.0")) << bad;
    EXPECT_FALSE(CompareVersions("1.0", bad)) << bad;
  }
}

TEST(Texts, FillReplacesNumberedPlaceholdersOnly) {
  EXPECT_EQ(Fill("%1 of %2, %3/s, %4 left", "1 MB", "2 MB", "3 KB", "0:07"),
            "1 MB of 2 MB, 3 KB/s, 0:07 left");
  EXPECT_EQ(Fill("100% done %5 %", "x"), "100% done %5 %");
  EXPECT_EQ(Fill("%1%1", "ab"), "abab");
}

}  // namespace
}  // namespace lumora::update
