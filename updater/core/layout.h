// Where an update of one app folder keeps its files. Everything lives in a hidden sibling of
// the app folder, so every rename stays on one file system.
#pragma once

#include <filesystem>

namespace lumora::update {

// A file in the app folder that the Debian package installs: such a folder is refreshed by
// the package's start script, so it is updated through the package manager only.
inline constexpr char kPackageMarker[] = "package-installed";

struct Layout {
  std::filesystem::path app;       // the app folder
  std::filesystem::path staging;   // <parent>/.<name>.update/
  std::filesystem::path lock;      // staging/lock
  std::filesystem::path journal;   // staging/swap.journal: a swap done as renames
  std::filesystem::path old_copy;  // staging/old: the previous build until the new one started
  std::filesystem::path new_dir;   // staging/new: the unpacked release
  std::filesystem::path pending;   // staging/pending: a swapped-in build not yet confirmed
  std::filesystem::path download;  // staging/package: the downloaded archive
};

Layout LayoutFor(const std::filesystem::path& app_dir);

bool ManagedByPackage(const std::filesystem::path& app);

// Whether this user may replace the app folder: the folder itself and its parent (where the
// swap renames) are writable.
bool AppFolderWritable(const std::filesystem::path& app);

}  // namespace lumora::update
