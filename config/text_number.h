// Reading numbers out of configuration text, the same way whatever the process locale is.
#pragma once

#include <optional>
#include <string_view>

namespace lumora {

// The number at the start of `text`, or 0 when it does not start with one. Leading spaces and
// tabs are skipped; an optional sign, digits, a decimal point and an exponent are taken, and
// whatever follows is ignored (" 2abc" is 2). The decimal point is always '.'. Hexadecimal,
// "inf" and "nan" are not numbers; an exponent too large gives +/-infinity.
double TextToNumber(std::string_view text);

// Whether `text` holds `wanted`, allowing for the rounding of decimal text (within 1e-7).
bool NumberMatches(std::string_view text, int wanted);

// A whole number of 0 or more set in the environment variable `name` (the knobs that let tests
// shorten the program's waits); none when unset, empty, negative or not all digits.
std::optional<long> EnvironmentNumber(const char* name);

}  // namespace lumora
