#include "config/gbk.h"

#include <iconv.h>

#include <cerrno>
#include <cstddef>
#include <cstdint>

namespace lumora {
namespace {

const iconv_t kBadDescriptor = reinterpret_cast<iconv_t>(static_cast<std::intptr_t>(-1));

// One descriptor per thread and direction: opening a descriptor costs far more than a
// conversion, and a descriptor must never be used by two threads at once.
class Converter {
 public:
  Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~Converter() {
    if (cd_ != kBadDescriptor) iconv_close(cd_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  bool ok() const { return cd_ != kBadDescriptor; }
  iconv_t get() const { return cd_; }

 private:
  iconv_t cd_;
};

bool IsContinuation(unsigned char c) {
  return (c & 0xC0) == 0x80;
}

// Length of the UTF-8 sequence at the start of `s` judged by its shape alone, or 1 when the
// bytes cannot form one. Lets an unrepresentable character turn into a single '?'.
std::size_t Utf8SequenceLength(std::string_view s) {
  const auto lead = static_cast<unsigned char>(s[0]);
  std::size_t n = 1;
  if (lead >= 0xC2 && lead <= 0xDF) {
    n = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    n = 3;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    n = 4;
  }
  if (n > s.size()) return 1;
  for (std::size_t i = 1; i < n; ++i) {
    if (!IsContinuation(static_cast<unsigned char>(s[i]))) return 1;
  }
  return n;
}

enum class Direction { kToUtf8, kToGbk };

// Used only when the system lacks the GBK converter: ASCII is the same in both encodings,
// everything else is reported as unreadable rather than passed through as garbage.
std::string AsciiOnly(std::string_view in, std::string_view replacement) {
  std::string out;
  out.reserve(in.size());
  for (char c : in) {
    if (static_cast<unsigned char>(c) < 0x80) {
      out += c;
    } else {
      out += replacement;
    }
  }
  return out;
}

std::string Convert(std::string_view in, Direction direction) {
  const std::string_view replacement = direction == Direction::kToUtf8 ? "\xEF\xBF\xBD" : "?";
  // ASCII reads the same in both encodings; most settings text is plain ASCII.
  bool ascii = true;
  for (char c : in) ascii = ascii && static_cast<unsigned char>(c) < 0x80;
  if (ascii) return std::string(in);

  thread_local Converter to_utf8("UTF-8", "GBK");
  thread_local Converter to_gbk("GBK", "UTF-8");
  const Converter& converter = direction == Direction::kToUtf8 ? to_utf8 : to_gbk;
  if (!converter.ok()) return AsciiOnly(in, replacement);

  // Start from a clean shift state in case an earlier call was left midway.
  iconv(converter.get(), nullptr, nullptr, nullptr, nullptr);

  std::string out;
  out.reserve(in.size() + in.size() / 2);
  char chunk[4096];
  // iconv takes a non-const input pointer but never writes through it.
  char* src = const_cast<char*>(in.data());
  std::size_t src_left = in.size();
  while (src_left > 0) {
    char* dst = chunk;
    std::size_t dst_left = sizeof chunk;
    const std::size_t result = iconv(converter.get(), &src, &src_left, &dst, &dst_left);
    const int error = errno;
    out.append(chunk, static_cast<std::size_t>(dst - chunk));
    if (result != static_cast<std::size_t>(-1)) break;
    if (error == E2BIG) continue;  // the chunk is full; it always takes at least one character
    if (error == EINVAL) {         // a character cut off by the end of the input
      out += replacement;
      break;
    }
    // EILSEQ or anything unexpected: replace and step past, so every round makes progress.
    std::size_t skip = 1;
    if (direction == Direction::kToGbk) skip = Utf8SequenceLength(std::string_view(src, src_left));
    out += replacement;
    src += skip;
    src_left -= skip;
  }
  return out;
}

}  // namespace

std::string GbkToUtf8(std::string_view gbk) {
  return Convert(gbk, Direction::kToUtf8);
}

std::string Utf8ToGbk(std::string_view utf8) {
  return Convert(utf8, Direction::kToGbk);
}

}  // namespace lumora
