// Small file-system steps that survive a power cut: fsync of files and folders, atomic
// small files, inode numbers as identities of folders across renames.
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace lumora::update::durable {

bool SyncFolder(const std::filesystem::path& folder);

// Writes `text` to a temporary sibling, fsyncs it, renames it over `file` and fsyncs the
// folder: readers see the old text or the whole new one.
bool WriteFileAtomically(const std::filesystem::path& file, std::string_view text);

std::optional<std::string> ReadSmallFile(const std::filesystem::path& file);

// The inode of `path` itself (not following a link), 0 when it does not exist.
ino_t InodeOf(const std::filesystem::path& path);

// Removes the file and fsyncs its folder; true when it is gone.
bool RemoveFile(const std::filesystem::path& file);

}  // namespace lumora::update::durable
