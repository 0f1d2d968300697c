#include "config/text_number.h"

#include <charconv>
#include <cmath>
#include <cstddef>
#include <cstdlib>
#include <limits>
#include <system_error>

namespace lumora {
namespace {

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

}  // namespace

double TextToNumber(std::string_view text) {
  std::size_t pos = 0;
  while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t')) ++pos;

  bool negative = false;
  if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
    negative = text[pos] == '-';
    ++pos;
  }

  // Scan the extent ourselves: from_chars would also take "inf", "nan" and hex forms, and
  // rejects a leading '+'.
  const std::size_t start = pos;
  std::size_t mantissa_digits = 0;
  // Decimal position of the first non-zero digit relative to the point; tells overflow from
  // underflow when from_chars reports the value out of range.
  long magnitude = 0;
  bool seen_nonzero = false;
  bool in_fraction = false;
  for (; pos < text.size(); ++pos) {
    const char c = text[pos];
    if (IsDigit(c)) {
      ++mantissa_digits;
      if (!in_fraction && seen_nonzero) ++magnitude;
      if (c != '0' && !seen_nonzero) {
        seen_nonzero = true;
        magnitude = in_fraction ? magnitude : 1;
      }
      if (in_fraction && !seen_nonzero) --magnitude;
    } else if (c == '.' && !in_fraction) {
      in_fraction = true;
    } else {
      break;
    }
  }
  if (mantissa_digits == 0) return 0.0;

  // The exponent counts only when digits follow it ("2e" is 2).
  long exponent = 0;
  if (pos < text.size() && (text[pos] == 'e' || text[pos] == 'E')) {
    std::size_t e = pos + 1;
    bool exponent_negative = false;
    if (e < text.size() && (text[e] == '+' || text[e] == '-')) {
      exponent_negative = text[e] == '-';
      ++e;
    }
    if (e < text.size() && IsDigit(text[e])) {
      for (; e < text.size() && IsDigit(text[e]); ++e) {
        if (exponent < 100000) exponent = exponent * 10 + (text[e] - '0');
      }
      if (exponent_negative) exponent = -exponent;
      pos = e;
    }
  }

  double value = 0.0;
  const char* first = text.data() + start;
  const char* last = text.data() + pos;
  const auto [end, error] = std::from_chars(first, last, value, std::chars_format::general);
  if (error == std::errc::result_out_of_range) {
    value =
        seen_nonzero && magnitude + exponent > 0 ? std::numeric_limits<double>::infinity() : 0.0;
  } else if (error != std::errc() || end != last) {
    return 0.0;
  }
  return negative ? -value : value;
}

bool NumberMatches(std::string_view text, int wanted) {
  return std::fabs(TextToNumber(text) - static_cast<double>(wanted)) <= 1e-7;
}

std::optional<long> EnvironmentNumber(const char* name) {
  const char* value = std::getenv(name);
  if (value == nullptr || *value == '\0') return std::nullopt;
  char* end = nullptr;
  const long n = std::strtol(value, &end, 10);
  if (*end != '\0' || n < 0) return std::nullopt;
  return n;
}

}  // namespace lumora
