// One update at a time per app folder: an flock on a file in the staging folder. The kernel
// drops the lock with its process, so a lock left by a killed update is simply taken.
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <optional>

namespace lumora::update {

class UpdateLock {
 public:
  // Takes the lock (creating the file and its folder), or nothing when another process
  // holds it. The holder's process id goes into the file for messages.
  static std::optional<UpdateLock> TryTake(const std::filesystem::path& lock_file);

  // The process id written by the current or last holder, if readable.
  static std::optional<pid_t> LastHolder(const std::filesystem::path& lock_file);

  UpdateLock(UpdateLock&& other) noexcept;
  UpdateLock& operator=(UpdateLock&& other) noexcept;
  UpdateLock(const UpdateLock&) = delete;
  UpdateLock& operator=(const UpdateLock&) = delete;
  ~UpdateLock();

 private:
  explicit UpdateLock(int fd) : fd_(fd) {}
  int fd_ = -1;
};

}  // namespace lumora::update
