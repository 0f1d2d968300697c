#include "config/language.h"

#include <string>

#include "config/ini_file.h"
#include "config/text_number.h"

namespace lumora {

std::filesystem::path ConfigFilePath(const std::filesystem::path& run_directory) {
  return run_directory / "Config.ini";
}

std::optional<int> LanguageChoice(const std::filesystem::path& run_directory) {
  // Never cached: a choice made in the settings window counts at the very next use.
  const std::string code =
      ReadConfigItem(ConfigFilePath(run_directory), kConfigSection, "Language");
  for (int language = 1; language <= 3; ++language) {
    if (NumberMatches(code, language)) return language;
  }
  return std::nullopt;
}

}  // namespace lumora
