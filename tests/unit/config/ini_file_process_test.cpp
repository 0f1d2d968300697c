// Writers in other processes: killed mid-write, and racing each other.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <thread>

#include "config/ini_file.h"
#include "tests/unit/config/temp_dir.h"

namespace lumora {
namespace {

class IniFileProcessTest : public testing::TempDirTest {};

// Parses the test's own files strictly: "[S]" then "k<n>=v<n>" lines. Anything else, as a torn
// or mixed-up file would have, fails the test. Returns the numbers found.
std::set<std::uint32_t> ParseStrict(const std::string& content) {
  std::set<std::uint32_t> found;
  std::istringstream in(content);
  std::string line;
  for (bool first = true; std::getline(in, line); first = false) {
    if (first) {
      EXPECT_EQ(line, "[S]");
      continue;
    }
    const std::size_t equals = line.find('=');
    const std::string n = line.substr(1, equals == std::string::npos ? 0 : equals - 1);
    if (line[0] != 'k' || n.empty() || n.find_first_not_of("0123456789") != std::string::npos ||
        line.substr(equals) != "=v" + n) {
      ADD_FAILURE() << "bad line: " << line;
      break;
    }
    found.insert(static_cast<std::uint32_t>(std::stoul(n)));
  }
  return found;
}

TEST_F(IniFileProcessTest, KilledWriterNeverLeavesATornFile) {
  using Clock = std::chrono::steady_clock;
  std::mt19937 random(12345);
  std::set<std::uint32_t> completed;
  std::uint32_t next = 0;
  // Thousands of writes when the disk allows; a slow disk gets fewer in the time given.
  const auto deadline = Clock::now() + std::chrono::seconds(15);
  int kills = 0;
  for (; completed.size() < 2000 && Clock::now() < deadline; ++kills) {
    int report[2];
    ASSERT_EQ(pipe(report), 0);
    const std::uint32_t first = next;
    const auto started = Clock::now();
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      close(report[0]);
      for (std::uint32_t n = first;; ++n) {
        const std::string id = std::to_string(n);
        if (!WriteConfigItem(file_, "S", "k" + id, "v" + id)) _exit(1);
        if (write(report[1], &n, sizeof n) != sizeof n) _exit(1);
      }
    }
    close(report[1]);
    // Let one write finish, then kill at a random moment within the next few: how long a
    // write takes depends on the disk, so the first one sets the scale.
    std::uint32_t n = 0;
    std::uint32_t in_flight = first;
    if (read(report[0], &n, sizeof n) == sizeof n) {
      completed.insert(n);
      in_flight = n + 1;
    }
    const auto write_time =
        std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - started);
    std::this_thread::sleep_for(std::chrono::microseconds(random() % (2 * write_time.count() + 1)));
    kill(child, SIGKILL);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status)) << "the writer failed on its own";
    while (read(report[0], &n, sizeof n) == sizeof n) {
      completed.insert(n);
      in_flight = n + 1;
    }
    close(report[0]);
    // The write in flight when killed may or may not have landed; numbers go on after it.
    next = in_flight + 1;

    const std::set<std::uint32_t> found = ParseStrict(ReadBytes(file_));
    for (std::uint32_t done : completed) {
      ASSERT_TRUE(found.count(done)) << "completed write k" << done << " lost after kill " << kills;
    }
    if (HasFailure()) return;
  }
  EXPECT_GE(kills, 20) << "too few rounds to mean anything";
  RecordProperty("kills", kills);
  RecordProperty("completed_writes", static_cast<int>(completed.size()));
  ASSERT_FALSE(completed.empty());
  const std::string last = std::to_string(*completed.rbegin());
  EXPECT_EQ(ReadConfigItem(file_, "s", "K" + last), "v" + last);
}

// Room for 16 KiB: a tmpfs of four pages mounted over a folder where mounting is allowed
// (root), else a file-size limit (RLIMIT_FSIZE, with SIGXFSZ ignored so that writes fail with
// EFBIG instead of killing the process), which every writer forked meanwhile inherits.
class SmallDisk {
 public:
  static constexpr rlim_t kRoom = 16 * 1024;

  SmallDisk(const std::filesystem::path& dir, bool try_tmpfs) : dir_(dir) {
    std::filesystem::create_directory(dir_);
    if (try_tmpfs && mount("tmpfs", dir_.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, "size=16k,mode=0700") == 0) {
      mounted_ = true;
      return;
    }
    if (getrlimit(RLIMIT_FSIZE, &saved_limit_) != 0) return;
    saved_handler_ = signal(SIGXFSZ, SIG_IGN);
    rlimit limit = saved_limit_;
    limit.rlim_cur = kRoom;
    limited_ = setrlimit(RLIMIT_FSIZE, &limit) == 0;
  }
  ~SmallDisk() {
    if (mounted_) umount2(dir_.c_str(), MNT_DETACH);
    if (limited_) setrlimit(RLIMIT_FSIZE, &saved_limit_);
    if (saved_handler_ != SIG_ERR) signal(SIGXFSZ, saved_handler_);
  }
  SmallDisk(const SmallDisk&) = delete;
  SmallDisk& operator=(const SmallDisk&) = delete;

  bool ready() const { return mounted_ || limited_; }

 private:
  std::filesystem::path dir_;
  bool mounted_ = false;
  bool limited_ = false;
  rlimit saved_limit_{};
  sighandler_t saved_handler_ = SIG_ERR;
};

// The disk fills up under the writer, then writers are killed while every write fails for
// lack of room: the file must parse and keep every item whose write completed, and a failed
// write must leave neither a changed file nor its staging copy taking up the space.
class FullDiskTest : public IniFileProcessTest, public ::testing::WithParamInterface<bool> {};

TEST_P(FullDiskTest, NeverLeavesATornFile) {
  const std::filesystem::path mount_point = dir_ / "small";
  SmallDisk disk(mount_point, GetParam());
  ASSERT_TRUE(disk.ready()) << "neither a small tmpfs nor a file-size limit";
  const std::filesystem::path file = mount_point / "Config.ini";

  std::set<std::uint32_t> completed;
  std::uint32_t next = 0;
  for (int failures = 0; failures < 50; ++next) {
    const std::string id = std::to_string(next);
    const std::string before = ReadBytes(file);
    if (WriteConfigItem(file, "S", "k" + id, "v" + id)) {
      completed.insert(next);
      ASSERT_EQ(failures, 0) << "a write succeeded after the disk was full";
      continue;
    }
    ++failures;
    ASSERT_EQ(ReadBytes(file), before) << "a failed write changed the file";
    ASSERT_FALSE(std::filesystem::exists(ConfigTempPath(file)));
  }
  ASSERT_GT(completed.size(), 100u) << "the disk filled up too early to mean anything";

  // Writers killed at random moments while their writes fail for want of space.
  std::mt19937 random(6789);
  for (int kill_round = 0; kill_round < 30; ++kill_round) {
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      for (std::uint32_t n = next + static_cast<std::uint32_t>(kill_round) * 1000000;; ++n) {
        const std::string id = std::to_string(n);
        if (WriteConfigItem(file, "S", "k" + id, "v" + id)) _exit(2);  // there is no room
      }
    }
    std::this_thread::sleep_for(std::chrono::microseconds(random() % 20000));
    kill(child, SIGKILL);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status)) << "a write succeeded on a full disk";
    const std::set<std::uint32_t> found = ParseStrict(ReadBytes(file));
    ASSERT_EQ(found, completed) << "after kill " << kill_round;
  }
  // A staging copy a killed writer left is replaced by the next write, which then fails
  // cleanly; once room is made, writing works again.
  const std::string first_refused = std::to_string(next - 50);
  EXPECT_FALSE(WriteConfigItem(file, "S", "k" + first_refused, "v" + first_refused));
  EXPECT_FALSE(std::filesystem::exists(ConfigTempPath(file)));
  ASSERT_TRUE(WriteConfigItem(file, "S", "k0", "v0"));  // unchanged: nothing to write
  for (std::uint32_t n = 0; n < 200; ++n) {
    ASSERT_TRUE(WriteConfigItem(file, "S", "k" + std::to_string(n), "")) << n;
  }
  EXPECT_TRUE(WriteConfigItem(file, "S", "k" + first_refused, "v" + first_refused));
}

// Both kinds of room, so the one used where mounting is not allowed is tested everywhere.
INSTANTIATE_TEST_SUITE_P(Room, FullDiskTest, ::testing::Bool(), [](const auto& param_info) {
  return std::string(param_info.param ? "Tmpfs" : "FileSizeLimit");
});

TEST_F(IniFileProcessTest, ConcurrentWritersLoseNothing) {
  constexpr int kWrites = 200;
  pid_t children[2];
  for (int c = 0; c < 2; ++c) {
    children[c] = fork();
    ASSERT_GE(children[c], 0);
    if (children[c] == 0) {
      const std::string prefix = c == 0 ? "a" : "b";
      for (int i = 0; i < kWrites; ++i) {
        if (!WriteConfigItem(file_, "S", prefix + std::to_string(i), std::to_string(i))) _exit(1);
      }
      _exit(0);
    }
  }
  for (pid_t child : children) {
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  for (const char* prefix : {"a", "b"}) {
    for (int i = 0; i < kWrites; ++i) {
      ASSERT_EQ(ReadConfigItem(file_, "S", prefix + std::to_string(i)), std::to_string(i))
          << prefix << i;
    }
  }
}

}  // namespace
}  // namespace lumora
