#include "platform/download_names.h"

#include <algorithm>

namespace lumora {

namespace {

constexpr std::size_t kExtensionLimit = 16;
constexpr int kTries = 10000;

bool IsContinuation(unsigned char byte) {
  return (byte & 0xC0) == 0x80;
}

// The longest prefix of `text` within `limit` bytes that ends on a character's boundary.
std::string_view CutAt(std::string_view text, std::size_t limit) {
  if (text.size() <= limit) return text;
  std::size_t end = limit;
  while (end > 0 && IsContinuation(static_cast<unsigned char>(text[end]))) --end;
  return text.substr(0, end);
}

// Splits off the extension ("name" + ".ext") when it is short enough to be one.
std::pair<std::string_view, std::string_view> Split(std::string_view name) {
  const std::size_t dot = name.rfind('.');
  if (dot == std::string_view::npos || dot == 0 || name.size() - dot > kExtensionLimit)
    return {name, {}};
  return {name.substr(0, dot), name.substr(dot)};
}

// `stem` + `suffix` + `extension` within the limit, the stem giving way.
std::string Join(std::string_view stem, std::string_view suffix, std::string_view extension) {
  const std::size_t fixed = suffix.size() + extension.size();
  const std::size_t room = fixed < kDownloadNameLimit ? kDownloadNameLimit - fixed : 0;
  std::string joined(CutAt(stem, room));
  joined += suffix;
  joined += extension;
  return joined;
}

}  // namespace

std::string SafeDownloadName(std::string_view offered) {
  std::string clean;
  clean.reserve(offered.size());
  for (std::size_t i = 0; i < offered.size(); ++i) {
    const auto byte = static_cast<unsigned char>(offered[i]);
    if (byte < 0x20 || byte == 0x7F) continue;
    // U+0080..U+009F, the second set of control characters, in UTF-8.
    if (byte == 0xC2 && i + 1 < offered.size()) {
      const auto next = static_cast<unsigned char>(offered[i + 1]);
      if (next >= 0x80 && next <= 0x9F) {
        ++i;
        continue;
      }
    }
    clean += byte == '/' || byte == '\\' ? '_' : static_cast<char>(byte);
  }
  const std::size_t first = clean.find_first_not_of(". ");
  if (first == std::string::npos) return "download";
  std::string_view name(clean);
  name.remove_prefix(first);
  name = name.substr(0, name.find_last_not_of(". ") + 1);
  if (name.size() <= kDownloadNameLimit) return std::string(name);
  const auto [stem, extension] = Split(name);
  return Join(stem, "", extension);
}

std::string FreeDownloadName(const std::string& name,
                             const std::function<bool(const std::string&)>& taken) {
  if (!taken(name)) return name;
  const auto [stem, extension] = Split(name);
  for (int n = 1; n <= kTries; ++n) {
    std::string next = Join(stem, " (" + std::to_string(n) + ")", extension);
    if (!taken(next)) return next;
  }
  return {};
}

std::string PartialDownloadName(const std::string& name) {
  return "." + name + ".part";
}

}  // namespace lumora
