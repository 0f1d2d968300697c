#include "config/language_tables.h"

#include "config/ini_file.h"
#include "config/language.h"

namespace lumora {

std::filesystem::path LanguageTablePath(const std::filesystem::path& run_directory, int language) {
  if (language < 1 || language > static_cast<int>(kLanguageTableFiles.size())) return {};
  return run_directory / "Language" / kLanguageTableFiles[static_cast<std::size_t>(language - 1)];
}

std::optional<int> StartupLanguageCode(std::string_view code) {
  if (code == "1") return 1;
  if (code == "2") return 2;
  if (code == "3") return 3;
  return std::nullopt;
}

std::string ReadTableProductName(const std::filesystem::path& run_directory, int language) {
  const std::filesystem::path table = LanguageTablePath(run_directory, language);
  if (table.empty()) return {};
  return ReadConfigItem(table, kConfigSection, "Name");
}

std::array<std::string, kColumnCount> ReadTableColumnNames(
    const std::filesystem::path& run_directory, int language) {
  std::array<std::string, kColumnCount> names;
  const std::filesystem::path table = LanguageTablePath(run_directory, language);
  if (table.empty()) return names;
  for (int column = 1; column <= kColumnCount; ++column) {
    names[static_cast<std::size_t>(column - 1)] =
        ReadConfigItem(table, kConfigSection, "Column " + std::to_string(column));
  }
  return names;
}

}  // namespace lumora
