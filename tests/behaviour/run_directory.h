// A throw-away run directory for behaviour tests that need real files: Config.ini items and
// skin pictures. Removed with everything in it when the test ends.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include "config/ini_file.h"
#include "config/language.h"

namespace lumora::testing {

class RunDirectory {
 public:
  RunDirectory() {
    std::string pattern = (std::filesystem::temp_directory_path() / "lumora-run-XXXXXX").string();
    if (mkdtemp(pattern.data()) != nullptr) path_ = pattern;
  }
  ~RunDirectory() {
    std::error_code ignored;
    if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
  }
  RunDirectory(const RunDirectory&) = delete;
  RunDirectory& operator=(const RunDirectory&) = delete;

  const std::filesystem::path& Path() const { return path_; }

  void SetConfig(std::string_view key, std::string_view value) const {
    WriteConfigItem(ConfigFilePath(path_), kConfigSection, key, value);
  }
  std::string Config(std::string_view key) const {
    return ReadConfigItem(ConfigFilePath(path_), kConfigSection, key);
  }

  // Writes `content` to a file below the run directory, creating its folders.
  void WriteFile(const std::filesystem::path& relative, std::string_view content) const {
    const std::filesystem::path file = path_ / relative;
    std::filesystem::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << content;
  }

 private:
  std::filesystem::path path_;
};

}  // namespace lumora::testing
