#include "config/text_number.h"

#include <gtest/gtest.h>

#include <clocale>
#include <limits>
#include <string>
#include <vector>

namespace lumora {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

// A comma is never a decimal point; only spaces and tabs are skipped.
void ExpectLeadingNumbers() {
  const std::vector<std::pair<std::string, double>> cases = {
      {"3.00000001", 3.00000001},
      {"1.0", 1},
      {" 2abc", 2},
      {"\t-5", -5},
      {"+5", 5},
      {".5", 0.5},
      {"5.", 5},
      {"-.25x", -0.25},
      {"1e3", 1000},
      {"2.5E-2", 0.025},
      {"2e", 2},
      {"2e+", 2},
      {"3.1.4", 3.1},
      {"1,5", 1},
      {"\n5", 0},
      {"abc", 0},
      {"", 0},
      {"-", 0},
      {".", 0},
      {"+.e1", 0},
      {"0x10", 0},
      {"inf", 0},
      {"-infinity", 0},
      {"nan", 0},
      {"1e999", kInf},
      {"-1e999", -kInf},
      {"1e-999", 0},
      {"0e999", 0},
      {"1" + std::string(400, '0'), kInf},
      {"0." + std::string(400, '0') + "1e400", 0.1}};
  for (const auto& [text, expected] : cases) {
    EXPECT_EQ(TextToNumber(text), expected) << '"' << text << '"';
  }
}

TEST(TextToNumber, ReadsTheLeadingNumber) {
  ExpectLeadingNumbers();
}

class NumericLocale {
 public:
  NumericLocale() : previous_(std::setlocale(LC_NUMERIC, nullptr)) {}
  ~NumericLocale() { std::setlocale(LC_NUMERIC, previous_.c_str()); }
  bool Set(const char* name) { return std::setlocale(LC_NUMERIC, name) != nullptr; }

 private:
  std::string previous_;
};

TEST(TextToNumber, IgnoresACommaDecimalLocale) {
  NumericLocale locale;
  bool found = false;
  for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "de_DE", "fr_FR.UTF-8"}) {
    if ((found = locale.Set(name))) break;
  }
  if (!found) GTEST_SKIP() << "no locale with a decimal comma is installed";
  ASSERT_STREQ(std::localeconv()->decimal_point, ",");
  ExpectLeadingNumbers();
}

TEST(NumberMatches, AllowsOnlyDecimalRounding) {
  EXPECT_TRUE(NumberMatches("1.00000001", 1));
  EXPECT_TRUE(NumberMatches("0.99999999", 1));
  EXPECT_TRUE(NumberMatches("-3 items", -3));
  EXPECT_TRUE(NumberMatches("abc", 0));
  EXPECT_FALSE(NumberMatches("1.000001", 1));
  EXPECT_FALSE(NumberMatches("1e999", 1));
}

}  // namespace
}  // namespace lumora
