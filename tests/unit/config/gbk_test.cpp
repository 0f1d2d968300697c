#include "config/gbk.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

namespace lumora {
namespace {

using namespace std::string_literals;

const std::string kReplacement = "\xEF\xBF\xBD";

struct KnownText {
  std::string utf8;
  std::string gbk;
};

TEST(Gbk, ConvertsKnownTextBothWays) {
  const std::vector<KnownText> cases = {
      {"", ""},
      {"plain ASCII = 1", "plain ASCII = 1"},
      {"开", "\xBF\xAA"},
      {"关", "\xB9\xD8"},
      {"显示=开", "\xCF\xD4\xCA\xBE=\xBF\xAA"},
      {"€", "\x80"},  // code page 936's single-byte euro sign
      {"a\0开\0b"s, "a\0\xBF\xAA\0b"s},
  };
  for (const KnownText& c : cases) {
    EXPECT_EQ(Utf8ToGbk(c.utf8), c.gbk) << c.utf8;
    EXPECT_EQ(GbkToUtf8(c.gbk), c.utf8) << c.utf8;
  }
}

TEST(Gbk, LongTextCrossesInternalBuffers) {
  std::string utf8;
  for (int i = 0; i < 5000; ++i) utf8 += i % 7 == 0 ? "x" : "开关";
  EXPECT_EQ(GbkToUtf8(Utf8ToGbk(utf8)), utf8);
}

TEST(Gbk, InvalidGbkBytesBecomeReplacementAndDecodingGoesOn) {
  const std::vector<KnownText> cases = {
      {kReplacement, "\xFF"},
      {"a" + kReplacement + " b", "a\x81 b"},                    // bad second byte: resync on it
      {"a" + kReplacement, "a\xBF"},                             // lead byte cut off at the end
      {kReplacement + kReplacement + "开", "\xFF\xFF\xBF\xAA"},  // one each, then valid again
  };
  for (const KnownText& c : cases) EXPECT_EQ(GbkToUtf8(c.gbk), c.utf8);
}

TEST(Gbk, UnrepresentableOrMalformedUtf8BecomesQuestionMark) {
  const std::vector<KnownText> cases = {
      {"x😀y", "x?y"},                // no GBK form: one '?' per character
      {"\xC3", "?"},                 // truncated
      {"a\xE5\xBC", "a?"},           // truncated at the end
      {"\x80\x80开", "??\xBF\xAA"},  // stray continuation bytes
      {"\xED\xA0\x80z", "?z"},       // encoded surrogate
      {"a\U000E0001b", "ab"},        // a language tag carries no text and is dropped
  };
  for (const KnownText& c : cases) EXPECT_EQ(Utf8ToGbk(c.utf8), c.gbk) << c.utf8;
}

TEST(Gbk, ThreadsConvertIndependently) {
  std::vector<std::thread> threads;
  std::vector<int> failures(4, 0);
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([t, &failures] {
      const std::string digit = std::to_string(t);
      for (int i = 0; i < 2000; ++i) {
        // An invalid byte in every round exercises the error path of each thread's converter.
        if (Utf8ToGbk("开关" + digit) != "\xBF\xAA\xB9\xD8" + digit ||
            GbkToUtf8("\xB9\xD8" + digit + "\xFF") != "关" + digit + kReplacement) {
          ++failures[t];
        }
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(failures, std::vector<int>(4, 0));
}

}  // namespace
}  // namespace lumora
