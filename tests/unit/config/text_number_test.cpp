#include "config/text_number.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

namespace lumora {
namespace {

struct NumberCase {
  std::string text;
  double expected;
};

const std::vector<NumberCase>& Cases() {
  static const std::vector<NumberCase> cases = {
      {"3.00000001", 3.00000001},
      {"1.0", 1.0},
      {"1", 1.0},
      {" 2abc", 2.0},
      {"\t 7", 7.0},
      {"-5", -5.0},
      {"+5", 5.0},
      {".5", 0.5},
      {"5.", 5.0},
      {"-.25x", -0.25},
      {"1e3", 1000.0},
      {"2.5E-2", 0.025},
      {"1e+2", 100.0},
      {"2e", 2.0},  // an exponent needs digits
      {"2e+", 2.0},
      {"3.1.4", 3.1},  // a second point ends the number
      {"007", 7.0},
      {"abc", 0.0},
      {"", 0.0},
      {" ", 0.0},
      {"-", 0.0},
      {".", 0.0},
      {"+.e1", 0.0},
      {"0x10", 0.0},
      {"inf", 0.0},
      {"-infinity", 0.0},
      {"nan", 0.0},
      {"1,5", 1.0},  // the comma is never a decimal point
      {"\n5", 0.0},  // only spaces and tabs are skipped
      {"1e-999", 0.0},
      {"1e999", std::numeric_limits<double>::infinity()},
      {"-1e999", -std::numeric_limits<double>::infinity()},
      {"0e999", 0.0},
      {"1" + std::string(400, '0'), std::numeric_limits<double>::infinity()},
      {"0." + std::string(400, '0') + "1e400", 0.1},
  };
  return cases;
}

void ExpectAllCases() {
  for (const NumberCase& c : Cases()) {
    EXPECT_EQ(TextToNumber(c.text), c.expected) << '"' << c.text << '"';
  }
}

TEST(TextToNumber, ReadsTheLeadingNumber) {
  ExpectAllCases();
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
  ExpectAllCases();
}

TEST(NumberMatches, AllowsOnlyDecimalRounding) {
  struct MatchCase {
    std::string text;
    int wanted;
    bool matches;
  };
  const std::vector<MatchCase> cases = {
      {"1", 1, true},
      {"1.0", 1, true},
      {"1.00000001", 1, true},
      {"0.99999999", 1, true},
      {"1.000001", 1, false},
      {"2", 1, false},
      {"", 0, true},
      {"abc", 0, true},
      {"-3 items", -3, true},
      {"1e999", 1, false},
      {"2147483647", 2147483647, true},
  };
  for (const MatchCase& c : cases) {
    EXPECT_EQ(NumberMatches(c.text, c.wanted), c.matches) << c.text << " vs " << c.wanted;
  }
}

}  // namespace
}  // namespace lumora
