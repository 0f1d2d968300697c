// Files and the program's own location.
#pragma once

#include <filesystem>
#include <string>

#include "platform/types.h"

namespace lumora {

// The whole file, or empty bytes when it cannot be read (missing, a directory, unreadable,
// or larger than `limit`, so a stray huge file cannot exhaust memory).
Bytes ReadFileBytes(const std::filesystem::path& path, std::size_t limit = 64u << 20);

// The running program file's absolute path (no length limit), from the system.
std::filesystem::path ProgramFilePath();

}  // namespace lumora
