// The interface language as every window and menu picks it: the "Language" item of
// Config.ini, read afresh at each use and compared as a number.
#pragma once

#include <filesystem>
#include <optional>
#include <string_view>

namespace lumora {

inline constexpr std::string_view kConfigSection = "Config";

// Config.ini of the program whose files are in `run_directory`.
std::filesystem::path ConfigFilePath(const std::filesystem::path& run_directory);

// 1 (Simplified Chinese), 2 (Traditional Chinese) or 3 (English) when the stored code is
// within 1e-7 of that number ("1.0", "01" and "3.00000001" count); none for anything else,
// including a missing item, so the caller shows no language-dependent menu or text.
std::optional<int> LanguageChoice(const std::filesystem::path& run_directory);

}  // namespace lumora
