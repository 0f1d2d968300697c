#include <spawn.h>
#include <sys/wait.h>

#include <thread>

#include "platform/system/linux_system.h"

extern char** environ;

namespace lumora {

bool SpawnDetached(const std::string& path, const std::vector<std::string>& args) {
  if (path.empty()) return false;
  std::vector<char*> argv;
  argv.reserve(args.size() + 2);
  argv.push_back(const_cast<char*>(path.c_str()));
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  pid_t pid = 0;
  if (posix_spawn(&pid, path.c_str(), nullptr, nullptr, argv.data(), environ) != 0) return false;
  // Reap the child when it ends so no zombie is left behind; nothing waits for its result.
  std::thread([pid] {
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
  }).detach();
  return true;
}

bool LinuxSystem::StartProgram(const std::string& path, const std::vector<std::string>& args) {
  return SpawnDetached(path, args);
}

}  // namespace lumora
