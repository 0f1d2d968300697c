// Small helpers shared by the fuzz harnesses.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace lumora::fuzz {

// Stops the run with a message; libFuzzer keeps the input that got here.
[[noreturn]] inline void Fail(const char* what, std::string_view detail = {}) {
  std::fprintf(stderr, "property failed: %s [%.*s]\n", what, static_cast<int>(detail.size()),
               detail.data());
  std::abort();
}

inline void Check(bool ok, const char* what, std::string_view detail = {}) {
  if (!ok) Fail(what, detail);
}

// Whether `s` is well-formed UTF-8 (no overlongs, no surrogates, nothing past U+10FFFF).
inline bool IsValidUtf8(std::string_view s) {
  std::size_t i = 0;
  while (i < s.size()) {
    const auto c = static_cast<unsigned char>(s[i]);
    std::size_t n = 0;
    unsigned char lo = 0x80, hi = 0xBF;
    if (c < 0x80) {
      ++i;
      continue;
    } else if (c >= 0xC2 && c <= 0xDF) {
      n = 1;
    } else if (c >= 0xE0 && c <= 0xEF) {
      n = 2;
      if (c == 0xE0) lo = 0xA0;
      if (c == 0xED) hi = 0x9F;
    } else if (c >= 0xF0 && c <= 0xF4) {
      n = 3;
      if (c == 0xF0) lo = 0x90;
      if (c == 0xF4) hi = 0x8F;
    } else {
      return false;
    }
    for (std::size_t k = 1; k <= n; ++k) {
      if (i + k >= s.size()) return false;
      const auto t = static_cast<unsigned char>(s[i + k]);
      if (k == 1 ? (t < lo || t > hi) : (t < 0x80 || t > 0xBF)) return false;
    }
    i += n + 1;
  }
  return true;
}

}  // namespace lumora::fuzz
