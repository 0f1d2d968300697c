// The program's settings file: an INI file in GBK, shared with other programs, read and written
// one item at a time.
//
// Reading: section and key names are matched without regard to ASCII case; names and values are
// trimmed of spaces and tabs; a value wrapped in a matching pair of quotes is returned without
// them; only the first section of a name and the first key of a name in it count. Lines may end
// in CR LF, LF or CR; lines starting with ';' or '#' are comments.
//
// A file that starts with a UTF-8 byte order mark is taken to be in UTF-8 instead of GBK, and
// stays so when written.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace lumora {

// Files larger than this are not settings files: reads see them as empty, writes refuse them.
inline constexpr std::uintmax_t kMaxConfigFileSize = 4 * 1024 * 1024;

// The value of `key` in `section`, in UTF-8; "" when the file, the section or the key is
// missing or the file cannot be read. Reads the file every time.
std::string ReadConfigItem(const std::filesystem::path& file, std::string_view section,
                           std::string_view key);

// Sets `key` in `section` to `value`, creating the file, section or key as needed and leaving
// every other line of the file as it was. The value is cut at its first line break. Names
// that cannot be stored so that they read back (empty, holding a line break, '=' in a key,
// ']' in a section, a key starting with '[', ';' or '#', characters GBK lacks) are refused.
//
// The file is replaced atomically: after a crash it holds either the old or the new content.
// Writers in different processes are serialised by a lock on the file's directory.
// Returns false, leaving the file untouched, when anything fails, including when the file is
// read-only to the caller or larger than kMaxConfigFileSize.
bool WriteConfigItem(const std::filesystem::path& file, std::string_view section,
                     std::string_view key, std::string_view value);

// Where WriteConfigItem stages the new content of `file` before renaming it into place: a
// hidden file beside it. A copy left by a crashed writer is replaced by the next write.
std::filesystem::path ConfigTempPath(const std::filesystem::path& file);

}  // namespace lumora
