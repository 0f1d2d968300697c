// One item of Config.ini, read or written at the moment a behaviour needs it; never kept.
#pragma once

#include <string>
#include <string_view>

#include "config/ini_file.h"
#include "config/language.h"
#include "platform/program.h"

namespace lumora {

inline std::string ReadSetting(const Program& program, std::string_view key) {
  return ReadConfigItem(ConfigFilePath(program.RunDirectory()), kConfigSection, key);
}

// A failed write goes unnoticed: the next read simply finds the old value.
inline void WriteSetting(const Program& program, std::string_view key, std::string_view value) {
  WriteConfigItem(ConfigFilePath(program.RunDirectory()), kConfigSection, key, value);
}

}  // namespace lumora
