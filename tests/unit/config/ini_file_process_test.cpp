// Writers in other processes: killed mid-write, and racing each other.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
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
  const auto deadline = Clock::now() + std::chrono::seconds(6);
  int kills = 0;
  for (; kills < 200 && Clock::now() < deadline; ++kills) {
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
  ASSERT_FALSE(completed.empty());
  const std::string last = std::to_string(*completed.rbegin());
  EXPECT_EQ(ReadConfigItem(file_, "s", "K" + last), "v" + last);
}

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
