// An update killed (SIGKILL) at random moments, then the next update's recovery: every time
// the app folder holds one whole build, the user's settings are intact, the staging folder
// is clean and the client starts. LUMORA_CRASH_ROUNDS sets the kills per swap kind (default
// 6; the figures in docs/reliability.md come from 50).
#include <signal.h>

#include <chrono>
#include <cstdio>
#include <random>
#include <thread>

#include "tests/unit/updater/updater_test_support.h"
#include "updater/core/install.h"
#include "updater/core/lock.h"
#include "updater/core/swap.h"

namespace lumora::update {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using namespace test;  // the scratch folders, files and archives these cases build

constexpr int kDataFiles = 300;
const std::string kSettings = "[Config]\nLanguage=2\nTray=1\nPLAYEROPEN=0\nUser=someone\n";

std::string ClientScript() {
  return "#!/bin/sh\necho $$ >> \"$PWD/../clients\"\nexec sleep 30\n";
}

void MakeOldBuild(const fs::path& app) {
  WriteFile(app / "lumora", ClientScript() + "# old\n", 0755);
  for (int i = 0; i < kDataFiles; ++i) {
    WriteFile(app / "data" / ("f" + std::to_string(i)), "old " + std::string(2000, 'o'));
  }
  WriteFile(app / "Config.ini", kSettings);
}

void MakeRelease(const fs::path& archive) {
  std::vector<Member> members{{Member::kFile, "lumora", ClientScript() + "# new\n", 0755}};
  for (int i = 0; i < kDataFiles; ++i) {
    members.push_back(
        {Member::kFile, "data/f" + std::to_string(i), "new " + std::string(2000, 'n')});
  }
  WriteArchive(archive, members, ARCHIVE_FILTER_XZ);
}

// "old", "new" or "broken": whether the folder is exactly one of the two builds.
std::string BuildIn(const fs::path& app) {
  const std::string program = ReadFile(app / "lumora");
  const std::string name = program == ClientScript() + "# old\n"   ? "old"
                           : program == ClientScript() + "# new\n" ? "new"
                                                                   : "";
  if (name.empty() || Listing(app).size() != kDataFiles + 3) return "broken";
  for (int i = 0; i < kDataFiles; ++i) {
    if (ReadFile(app / "data" / ("f" + std::to_string(i))) !=
        name + " " + std::string(2000, name[0])) {
      return "broken";
    }
  }
  return name;
}

void KillClients(const fs::path& list) {
  std::istringstream pids(ReadFile(list));
  for (pid_t pid = 0; pids >> pid;) kill(pid, SIGKILL);
}

int Rounds() {
  const char* text = std::getenv("LUMORA_CRASH_ROUNDS");
  return text != nullptr && std::atoi(text) > 0 ? std::atoi(text) : 6;
}

class CrashSafetyTest : public ::testing::TestWithParam<bool> {};

TEST_P(CrashSafetyTest, AKilledUpdateLeavesAWholeBuild) {
  if (GetParam()) setenv(kNoExchangeVariable, "1", 1);
  ScratchDir shared;
  MakeRelease(shared / "release.tar.xz");
  std::mt19937 random(20261209);
  std::chrono::microseconds span{0};
  int old_builds = 0, new_builds = 0, broken = 0;

  for (int round = -1; round < Rounds(); ++round) {
    SCOPED_TRACE(round);
    ScratchDir dir;
    const Layout layout = LayoutFor(dir / "app");
    MakeOldBuild(layout.app);
    fs::create_directories(layout.staging);
    fs::copy_file(shared / "release.tar.xz", layout.download);

    const auto start = std::chrono::steady_clock::now();
    const pid_t child = fork();
    if (child == 0) {
      auto lock = UpdateLock::TryTake(layout.lock);
      if (!lock) _exit(90);
      _exit(InstallAndConfirm(layout, layout.download, 64 << 20, 1s).kind);
    }
    if (round < 0) {  // an uncut run measures the span the kills fall in
      int status = 0;
      waitpid(child, &status, 0);
      ASSERT_TRUE(WIFEXITED(status));
      ASSERT_EQ(WEXITSTATUS(status), InstallOutcome::kInstalled);
      span = std::chrono::duration_cast<std::chrono::microseconds>(
          std::chrono::steady_clock::now() - start);
    } else {
      // Two kills in three fall in the work before the confirmation wait, the rest anywhere.
      const long work = std::max<long>(span.count() - 1000000, 1000);
      std::uniform_int_distribution<long> at(0, round % 3 == 2 ? span.count() : work);
      std::this_thread::sleep_until(start + std::chrono::microseconds(at(random)));
      kill(child, SIGKILL);
      waitpid(child, nullptr, 0);
    }

    // The next update (or the client's launcher) settles what was left.
    {
      // A client being started at the kill holds the (close-on-exec) lock until its exec.
      auto lock = UpdateLock::TryTake(layout.lock);
      for (int i = 0; i < 50 && !lock; ++i) {
        std::this_thread::sleep_for(10ms);
        lock = UpdateLock::TryTake(layout.lock);
      }
      ASSERT_TRUE(lock) << "the killed update's lock is free";
      ASSERT_TRUE(Recover(layout));
    }
    const std::string build = BuildIn(layout.app);
    EXPECT_NE(build, "broken");
    if (round >= 0) ++(build == "new" ? new_builds : build == "old" ? old_builds : broken);
    EXPECT_EQ(ReadFile(layout.app / "Config.ini"), kSettings);
    std::vector<std::string> staged = Listing(layout.staging);
    std::erase(staged, "lock");
    std::erase(staged, "package");
    EXPECT_EQ(staged, std::vector<std::string>{});

    const std::size_t started = ReadFile(dir / "clients").size();
    EXPECT_TRUE(StartClient(layout.app));
    for (int i = 0; i < 100 && ReadFile(dir / "clients").size() == started; ++i) {
      std::this_thread::sleep_for(20ms);
    }
    EXPECT_GT(ReadFile(dir / "clients").size(), started) << "the client did not start";
    KillClients(dir / "clients");
  }
  std::printf(
      "crash safety (%s swap): %d kills over %.2f s of update, %d old build, %d new "
      "build, %d broken\n",
      GetParam() ? "rename" : "exchange", Rounds(), span.count() / 1e6, old_builds, new_builds,
      broken);
  unsetenv(kNoExchangeVariable);
}

INSTANTIATE_TEST_SUITE_P(ExchangeAndRenames, CrashSafetyTest, ::testing::Values(false, true),
                         [](const auto& test_info) {
                           return test_info.param ? "Renames" : "Exchange";
                         });

}  // namespace
}  // namespace lumora::update
