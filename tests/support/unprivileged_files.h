// Permission bits do not stop root, and the tests run as root in CI. While one of these lives,
// the file-permission checks of the calling thread are those of `nobody` (setfsuid), so a
// mode-000 file really is unreadable to the code under test; `folder` is handed to `nobody`
// so that it can still work there. As any other user it does nothing: the bits apply anyway.
#pragma once

#include <sys/fsuid.h>
#include <unistd.h>

#include <filesystem>

namespace lumora::testing {

inline constexpr uid_t kNobody = 65534;

class UnprivilegedFiles {
 public:
  explicit UnprivilegedFiles(const std::filesystem::path& folder) {
    if (geteuid() != 0) return;
    if (chown(folder.c_str(), kNobody, kNobody) != 0) return;
    setfsuid(kNobody);
    // setfsuid reports the earlier id whether or not it succeeded; ask again to know.
    active_ = static_cast<uid_t>(setfsuid(static_cast<uid_t>(-1))) == kNobody;
  }
  ~UnprivilegedFiles() {
    if (active_) setfsuid(0);
  }
  UnprivilegedFiles(const UnprivilegedFiles&) = delete;
  UnprivilegedFiles& operator=(const UnprivilegedFiles&) = delete;

  // Whether permission bits now stop the calling thread (always true for non-root users).
  bool Effective() const { return active_ || geteuid() != 0; }

 private:
  bool active_ = false;
};

}  // namespace lumora::testing
