#include "updater/core/lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <charconv>
#include <string>

namespace lumora::update {

namespace fs = std::filesystem;

std::optional<UpdateLock> UpdateLock::TryTake(const fs::path& lock_file) {
  std::error_code ignored;
  if (lock_file.has_parent_path()) fs::create_directories(lock_file.parent_path(), ignored);
  const int fd = open(lock_file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644);
  if (fd < 0) return std::nullopt;
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    close(fd);
    return std::nullopt;
  }
  const std::string pid = std::to_string(getpid()) + "\n";
  if (ftruncate(fd, 0) == 0) {
    [[maybe_unused]] const ssize_t written = pwrite(fd, pid.data(), pid.size(), 0);
  }
  return UpdateLock(fd);
}

std::optional<pid_t> UpdateLock::LastHolder(const fs::path& lock_file) {
  const int fd = open(lock_file.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
  if (fd < 0) return std::nullopt;
  char text[32];
  const ssize_t n = read(fd, text, sizeof text);
  close(fd);
  if (n <= 0) return std::nullopt;
  pid_t pid = 0;
  const auto [end, error] = std::from_chars(text, text + n, pid);
  if (error != std::errc() || end == text || pid <= 0) return std::nullopt;
  return pid;
}

UpdateLock::UpdateLock(UpdateLock&& other) noexcept : fd_(other.fd_) {
  other.fd_ = -1;
}

UpdateLock& UpdateLock::operator=(UpdateLock&& other) noexcept {
  if (this != &other) {
    if (fd_ >= 0) close(fd_);
    fd_ = other.fd_;
    other.fd_ = -1;
  }
  return *this;
}

UpdateLock::~UpdateLock() {
  if (fd_ >= 0) close(fd_);  // closing the last descriptor drops the lock
}

}  // namespace lumora::update
