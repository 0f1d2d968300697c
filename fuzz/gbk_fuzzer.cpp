// GBK conversion both ways on arbitrary bytes: the service's pages, the language tables and
// Config.ini arrive as GBK that may be broken anywhere, and any UTF-8 may have to be stored.
#include <cstdint>
#include <string>
#include <string_view>

#include "config/gbk.h"
#include "fuzz/fuzz_support.h"

using lumora::fuzz::Check;

namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";

// glibc's converters drop the language tags U+E0000 to U+E007F instead of reporting them;
// invisible characters vanishing is harmless, so the round trip is judged without them.
std::string WithoutTags(std::string_view s) {
  std::string out;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (i + 3 < s.size() && s.substr(i, 2) == "\xF3\xA0" &&
        (s[i + 2] == '\x80' || s[i + 2] == '\x81') &&
        (static_cast<unsigned char>(s[i + 3]) & 0xC0) == 0x80) {
      i += 3;
      continue;
    }
    out += s[i];
  }
  return out;
}

bool IsAscii(std::string_view s) {
  for (char c : s) {
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);

  // As GBK: always well-formed UTF-8, and valid GBK comes back byte for byte.
  const std::string utf8 = lumora::GbkToUtf8(bytes);
  Check(lumora::fuzz::IsValidUtf8(utf8), "GBK decoding gave malformed UTF-8", utf8);
  if (IsAscii(bytes)) Check(utf8 == bytes, "ASCII changed in decoding");
  if (utf8.find(kReplacement) == std::string::npos) {
    Check(lumora::Utf8ToGbk(utf8) == bytes, "valid GBK did not survive the round trip", utf8);
  }

  // As UTF-8: the GBK written decodes without a single unreadable character, and what GBK can
  // hold comes back unchanged.
  const std::string gbk = lumora::Utf8ToGbk(bytes);
  const std::string back = lumora::GbkToUtf8(gbk);
  Check(back.find(kReplacement) == std::string::npos, "encoded GBK does not decode", back);
  if (IsAscii(bytes)) Check(gbk == bytes, "ASCII changed in encoding");
  if (lumora::fuzz::IsValidUtf8(bytes) && gbk.find('?') == std::string::npos) {
    Check(back == WithoutTags(bytes), "representable text did not survive the round trip", back);
  }
  return 0;
}
