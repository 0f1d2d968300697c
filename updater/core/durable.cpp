#include "updater/core/durable.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace lumora::update::durable {

namespace fs = std::filesystem;

bool SyncFolder(const fs::path& folder) {
  const int fd = open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool ok = fsync(fd) == 0;
  close(fd);
  return ok;
}

bool WriteFileAtomically(const fs::path& file, std::string_view text) {
  const fs::path temp = fs::path(file).concat(".tmp");
  const int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0644);
  if (fd < 0) return false;
  bool ok = true;
  while (ok && !text.empty()) {
    const ssize_t n = write(fd, text.data(), text.size());
    if (n <= 0)
      ok = false;
    else
      text.remove_prefix(static_cast<std::size_t>(n));
  }
  ok = fsync(fd) == 0 && ok;
  ok = close(fd) == 0 && ok;
  if (ok) ok = rename(temp.c_str(), file.c_str()) == 0;
  if (!ok) {
    unlink(temp.c_str());
    return false;
  }
  return SyncFolder(file.parent_path());
}

std::optional<std::string> ReadSmallFile(const fs::path& file) {
  const int fd = open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
  if (fd < 0) return std::nullopt;
  std::string text;
  char buffer[4096];
  ssize_t n = 0;
  while ((n = read(fd, buffer, sizeof buffer)) > 0 && text.size() < (1 << 16)) {
    text.append(buffer, static_cast<std::size_t>(n));
  }
  close(fd);
  if (n < 0) return std::nullopt;
  return text;
}

ino_t InodeOf(const fs::path& path) {
  struct stat info {};
  if (lstat(path.c_str(), &info) != 0) return 0;
  return info.st_ino;
}

bool RemoveFile(const fs::path& file) {
  if (unlink(file.c_str()) != 0 && errno != ENOENT) return false;
  SyncFolder(file.parent_path());
  return true;
}

}  // namespace lumora::update::durable
