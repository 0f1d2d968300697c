#include "updater/core/layout.h"

#include <unistd.h>

namespace lumora::update {

namespace fs = std::filesystem;

Layout LayoutFor(const fs::path& app_dir) {
  fs::path app = app_dir.lexically_normal();
  if (app.has_filename() == false && app.has_parent_path()) app = app.parent_path();
  Layout layout;
  layout.app = app;
  layout.staging = app.parent_path() / ("." + app.filename().string() + ".update");
  layout.lock = layout.staging / "lock";
  layout.journal = layout.staging / "swap.journal";
  layout.old_copy = layout.staging / "old";
  layout.new_dir = layout.staging / "new";
  layout.pending = layout.staging / "pending";
  layout.download = layout.staging / "package";
  return layout;
}

bool ManagedByPackage(const fs::path& app) {
  std::error_code error;
  return fs::exists(fs::symlink_status(app / kPackageMarker, error));
}

bool AppFolderWritable(const fs::path& app) {
  const fs::path folder = LayoutFor(app).app;
  std::error_code error;
  if (!fs::is_directory(folder, error) || fs::is_symlink(fs::symlink_status(folder, error))) {
    return false;
  }
  const fs::path parent = folder.has_parent_path() ? folder.parent_path() : fs::path(".");
  return access(folder.c_str(), W_OK | X_OK) == 0 && access(parent.c_str(), W_OK | X_OK) == 0;
}

}  // namespace lumora::update
