// The names downloads are saved under: what a server calls a file is untrusted text, and a
// download never takes the place of a file the user already has.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace lumora {

inline constexpr std::size_t kDownloadNameLimit = 200;  // bytes

// `offered` made fit to be a file name in the download folder: path separators become "_",
// control characters go, as do leading dots and blanks and trailing blanks and dots; at most
// kDownloadNameLimit bytes, cut at a character's boundary and keeping a short extension.
// Nothing left: "download".
std::string SafeDownloadName(std::string_view offered);

// `name` when `taken(name)` is false, else the first free of "stem (1).ext", "stem (2).ext"...
// (a safe name stays within kDownloadNameLimit bytes). Empty when every try is taken.
std::string FreeDownloadName(const std::string& name,
                             const std::function<bool(const std::string&)>& taken);

// The hidden name a download is written under until it is complete.
std::string PartialDownloadName(const std::string& name);

}  // namespace lumora
