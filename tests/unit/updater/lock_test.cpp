// One update at a time, across processes; a lock whose holder died is free again.
#include "updater/core/lock.h"

#include <signal.h>

#include "tests/unit/updater/updater_test_support.h"

namespace lumora::update {
namespace {

namespace fs = std::filesystem;

using test::ScratchDir;

// Runs `body` in a child process; its exit status.
template <typename Body>
int InChild(Body body) {
  const pid_t pid = fork();
  if (pid == 0) _exit(body());
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(UpdateLockTest, ASecondProcessIsTurnedAway) {
  ScratchDir dir;
  const fs::path lock_file = dir / "staging/lock";
  auto lock = UpdateLock::TryTake(lock_file);
  ASSERT_TRUE(lock) << "the folder is created as needed";
  EXPECT_EQ(UpdateLock::LastHolder(lock_file), getpid());
  EXPECT_EQ(InChild([&] { return UpdateLock::TryTake(lock_file) ? 1 : 0; }), 0);
  // Released with its object, moved or not.
  UpdateLock moved = std::move(*lock);
  lock.reset();
  EXPECT_EQ(InChild([&] { return UpdateLock::TryTake(lock_file) ? 1 : 0; }), 0);
  { UpdateLock gone = std::move(moved); }
  EXPECT_EQ(InChild([&] { return UpdateLock::TryTake(lock_file) ? 0 : 1; }), 0);
}

TEST(UpdateLockTest, AKilledHoldersLockIsTaken) {
  ScratchDir dir;
  const fs::path lock_file = dir / "lock";
  int ready[2];
  ASSERT_EQ(pipe(ready), 0);
  const pid_t holder = fork();
  if (holder == 0) {
    auto lock = UpdateLock::TryTake(lock_file);
    const char byte = lock ? 'y' : 'n';
    if (write(ready[1], &byte, 1) != 1) _exit(2);
    pause();
    _exit(0);
  }
  char byte = 0;
  ASSERT_EQ(read(ready[0], &byte, 1), 1);
  ASSERT_EQ(byte, 'y');
  EXPECT_FALSE(UpdateLock::TryTake(lock_file));
  EXPECT_EQ(UpdateLock::LastHolder(lock_file), holder);
  kill(holder, SIGKILL);
  waitpid(holder, nullptr, 0);
  auto lock = UpdateLock::TryTake(lock_file);
  EXPECT_TRUE(lock);
  EXPECT_EQ(UpdateLock::LastHolder(lock_file), getpid());
  close(ready[0]);
  close(ready[1]);
}

TEST(UpdateLockTest, UnusableLockFiles) {
  ScratchDir dir;
  // A link planted at the lock's name is not followed.
  fs::create_symlink(dir / "target", dir / "lock");
  EXPECT_FALSE(UpdateLock::TryTake(dir / "lock"));
  EXPECT_FALSE(fs::exists(dir / "target"));
  EXPECT_FALSE(UpdateLock::LastHolder(dir / "missing"));
  test::WriteFile(dir / "garbage", "not a pid");
  EXPECT_FALSE(UpdateLock::LastHolder(dir / "garbage"));
}

}  // namespace
}  // namespace lumora::update
