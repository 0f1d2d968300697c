#include "updater/core/install.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <thread>

#include "updater/core/durable.h"
#include "updater/core/swap.h"
#include "updater/core/unpack.h"

extern char** environ;

namespace lumora::update {
namespace {

namespace fs = std::filesystem;

void Report(const ProgressFn& progress, InstallStep step) {
  if (progress) progress(step);
}

bool IsExecutableFile(const fs::path& file) {
  struct stat info {};
  return stat(file.c_str(), &info) == 0 && S_ISREG(info.st_mode) && (info.st_mode & 0111) != 0 &&
         access(file.c_str(), X_OK) == 0;
}

// Starts the client; its process id, or -1.
pid_t Spawn(const fs::path& app) {
  const fs::path program = app / kClientProgram;
  posix_spawn_file_actions_t actions;
  posix_spawnattr_t attributes;
  posix_spawn_file_actions_init(&actions);
  posix_spawnattr_init(&attributes);
  // Its own session: the client outlives the updater and the updater's terminal.
  posix_spawnattr_setflags(&attributes,
                           POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
  sigset_t signals;
  sigemptyset(&signals);
  posix_spawnattr_setsigmask(&attributes, &signals);
  sigfillset(&signals);
  posix_spawnattr_setsigdefault(&attributes, &signals);
  posix_spawn_file_actions_addchdir_np(&actions, app.c_str());
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  std::string path = program.string();
  char* argv[] = {path.data(), nullptr};
  pid_t pid = -1;
  if (posix_spawn(&pid, path.c_str(), &actions, &attributes, argv, environ) != 0) pid = -1;
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attributes);
  return pid;
}

// Whether the client is still running, or ended well (status 0), when `confirm` has passed
// or it ended, whichever comes first.
bool StartedWell(pid_t pid, std::chrono::seconds confirm) {
  const auto deadline = std::chrono::steady_clock::now() + confirm;
  for (;;) {
    int status = 0;
    const pid_t done = waitpid(pid, &status, WNOHANG);
    if (done == pid) return WIFEXITED(status) && WEXITSTATUS(status) == 0;
    if (done < 0 && errno != EINTR) return true;  // not ours to judge any more
    if (std::chrono::steady_clock::now() >= deadline) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
}

void RemoveTree(const fs::path& path) {
  std::error_code ignored;
  fs::remove_all(path, ignored);
}

bool WithinStaging(const Layout& layout, const fs::path& file) {
  const fs::path relative = file.lexically_normal().lexically_relative(layout.staging);
  return !relative.empty() && *relative.begin() != "..";
}

}  // namespace

bool StartClient(const fs::path& app) {
  return Spawn(app) > 0;
}

InstallOutcome InstallAndConfirm(const Layout& layout, const fs::path& package_file,
                                 std::uint64_t max_unpacked, std::chrono::seconds confirm,
                                 const ProgressFn& progress) {
  auto fail = [&](std::string why) {
    RemoveTree(layout.new_dir);
    durable::RemoveFile(layout.pending);
    if (WithinStaging(layout, package_file)) durable::RemoveFile(package_file);
    return InstallOutcome{InstallOutcome::kFailed, std::move(why)};
  };

  // Whatever an interrupted update left is settled first, so it never meets this one.
  if (!Recover(layout)) {
    return InstallOutcome{InstallOutcome::kFailed, "An earlier update could not be finished."};
  }
  Report(progress, InstallStep::kUnpacking);
  const UnpackResult unpacked = Unpack(package_file, layout.new_dir, max_unpacked);
  if (!unpacked.ok) return fail(unpacked.error);
  if (!IsExecutableFile(layout.new_dir / kClientProgram)) {
    return fail("The release holds no client program.");
  }

  Report(progress, InstallStep::kCarryingOver);
  std::string error;
  if (!CarryOver(layout.app, layout.new_dir, &error)) return fail(error);

  // Recorded before the swap so that a crash after it puts the previous build back.
  Report(progress, InstallStep::kSwapping);
  durable::SyncFolder(layout.new_dir);
  const ino_t new_inode = durable::InodeOf(layout.new_dir);
  if (!durable::WriteFileAtomically(layout.pending, std::to_string(new_inode) + "\n")) {
    return fail("Could not write to the staging folder.");
  }
  if (!SwapFolders(layout.app, layout.new_dir, layout.journal, &error)) return fail(error);
  // The old build moves to its own name; if it cannot, it stays where Recover also looks.
  fs::path old_build = layout.old_copy;
  if (rename(layout.new_dir.c_str(), layout.old_copy.c_str()) != 0) old_build = layout.new_dir;
  durable::SyncFolder(layout.staging);
  if (WithinStaging(layout, package_file)) durable::RemoveFile(package_file);

  Report(progress, InstallStep::kStarting);
  const pid_t pid = Spawn(layout.app);
  if (pid > 0) {
    // Lets a recovery after a crash here tell a running new build from a dead one.
    durable::WriteFileAtomically(layout.pending,
                                 std::to_string(new_inode) + "\n" + std::to_string(pid) + "\n");
  }
  Report(progress, InstallStep::kConfirming);
  if (pid > 0 && StartedWell(pid, confirm)) {
    durable::RemoveFile(layout.pending);
    RemoveTree(old_build);
    Report(progress, InstallStep::kDone);
    return InstallOutcome{InstallOutcome::kInstalled, {}};
  }

  // The new build did not start: the old one comes back and runs.
  std::string why = pid > 0 ? "The new version ended at once; the previous version is back."
                            : "The new version could not be started; the previous version is back.";
  if (!SwapFolders(layout.app, old_build, layout.journal, &error)) {
    return InstallOutcome{InstallOutcome::kFailed,
                          "Could not put the previous version back: " + error};
  }
  durable::RemoveFile(layout.pending);
  RemoveTree(old_build);
  StartClient(layout.app);
  Report(progress, InstallStep::kDone);
  return InstallOutcome{InstallOutcome::kRolledBack, std::move(why)};
}

}  // namespace lumora::update
