// The per-language text tables in "Language/": INI files in GBK whose section "Config" holds
// the product name ("Name") and the five column titles ("Column 1" to "Column 5").
#pragma once

#include <array>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace lumora {

// Table files by language code - 1: Simplified Chinese, Traditional Chinese, English.
inline constexpr std::array<std::string_view, 3> kLanguageTableFiles = {
    "Chinese Simplified.db", "Chinese Traditional.db", "English.db"};

inline constexpr int kColumnCount = 5;

// The table of `language` (1, 2 or 3) under `run_directory`.
std::filesystem::path LanguageTablePath(const std::filesystem::path& run_directory, int language);

// The language that the start-up load uses: only the exact texts "1", "2" and "3" count
// there ("01", "1.0" and " 1" do not), unlike the numeric choice of menus and captions.
std::optional<int> StartupLanguageCode(std::string_view code);

// "Name" of the table of `language`; "" when the table or the key is missing.
std::string ReadTableProductName(const std::filesystem::path& run_directory, int language);

// "Column 1" to "Column 5" of the table of `language`; "" for each one missing.
std::array<std::string, kColumnCount> ReadTableColumnNames(
    const std::filesystem::path& run_directory, int language);

}  // namespace lumora
