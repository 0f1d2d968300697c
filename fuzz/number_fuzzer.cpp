// Numbers in settings and service pages ("1", "1.0", " 2abc", "1e400", "-0.000...1"): the
// locale-free reader against the C library's strtod, which the process runs in the "C" locale
// here, on the same leading number.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "config/text_number.h"
#include "fuzz/fuzz_support.h"

using lumora::fuzz::Check;

namespace {

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// The leading number as the reader documents it: blanks, a sign, digits with at most one
// point (at least one digit), and an exponent only when digits follow its 'e'. Empty when
// the text does not start with a number.
std::string LeadingNumber(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  const std::size_t start = i;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  std::size_t digits = 0;
  bool point = false;
  for (; i < text.size(); ++i) {
    if (IsDigit(text[i])) {
      ++digits;
    } else if (text[i] == '.' && !point) {
      point = true;
    } else {
      break;
    }
  }
  if (digits == 0) return {};
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    std::size_t e = i + 1;
    if (e < text.size() && (text[e] == '+' || text[e] == '-')) ++e;
    if (e < text.size() && IsDigit(text[e])) {
      while (e < text.size() && IsDigit(text[e])) ++e;
      i = e;
    }
  }
  return std::string(text.substr(start, i - start));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const double value = lumora::TextToNumber(text);
  Check(!std::isnan(value), "not a number", text);

  const std::string number = LeadingNumber(text);
  const double expected = number.empty() ? 0.0 : std::strtod(number.c_str(), nullptr);
  Check(value == expected, "differs from strtod", text);
  Check(std::signbit(value) == std::signbit(expected) || value != 0.0, "sign of zero differs",
        text);

  for (int wanted : {0, 1, 2, 3}) {
    Check(lumora::NumberMatches(text, wanted) == (std::fabs(expected - wanted) <= 1e-7),
          "NumberMatches differs", text);
  }
  return 0;
}
