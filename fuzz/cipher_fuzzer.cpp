// The stored-address helpers on arbitrary text: a damaged constant must give -1 or the empty
// address, never a half-right one, and never a read outside the text.
#include <climits>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz/fuzz_support.h"
#include "service/cipher.h"

using lumora::fuzz::Check;

namespace {

int DigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The value by another route: leading zeros dropped, at most eight digits left, compared
// against INT_MAX in unsigned arithmetic.
int ExpectedHexValue(std::string_view text) {
  for (char c : text) {
    if (DigitValue(c) < 0) return -1;
  }
  const std::size_t first = text.find_first_not_of('0');
  if (first == std::string_view::npos) return 0;
  text.remove_prefix(first);
  if (text.size() > 8) return -1;
  std::uint64_t value = 0;
  for (char c : text) value = value * 16 + static_cast<std::uint64_t>(DigitValue(c));
  return value > static_cast<std::uint64_t>(INT_MAX) ? -1 : static_cast<int>(value);
}

std::string UpperHex(std::string_view text) {
  std::string upper(text);
  for (char& c : upper) {
    if (c >= 'a' && c <= 'f') c = static_cast<char>(c - 'a' + 'A');
  }
  return upper;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  Check(lumora::HexTextToInteger(text) == ExpectedHexValue(text), "hex value differs");

  const std::string address = lumora::DecipherAddress(text);
  const std::string_view pairs = text.substr(0, text.size() / 2 * 2);
  bool all_hex = true;
  for (char c : pairs) all_hex = all_hex && DigitValue(c) >= 0;
  if (!all_hex || pairs.empty()) {
    Check(address.empty(), "a damaged cipher text gave an address", address);
  } else {
    Check(address.size() == pairs.size() / 2, "deciphered length differs");
    Check(lumora::EncipherAddress(address) == UpperHex(pairs), "enciphering does not undo");
  }
  return 0;
}
