// Conversion between the program's UTF-8 text and GBK (code page 936), the encoding of the
// files the program shares with the outside world.
#pragma once

#include <string>
#include <string_view>

namespace lumora {

// Decodes GBK. A byte that does not start a valid GBK character becomes U+FFFD and decoding
// goes on with the next byte; a character cut off at the end also becomes U+FFFD.
std::string GbkToUtf8(std::string_view gbk);

// Encodes to GBK. A character GBK cannot represent, and every malformed UTF-8 byte, becomes '?'.
// Unicode language tags (U+E0000 to U+E007F) are the exception: the system converter drops
// them, as they carry no visible text.
std::string Utf8ToGbk(std::string_view utf8);

}  // namespace lumora
