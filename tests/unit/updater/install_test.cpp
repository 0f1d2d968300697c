// Installing a release over a fake app folder whose client is a small script: one that keeps
// running, one that fails at once, one that is missing.
#include "updater/core/install.h"

#include <signal.h>

#include <chrono>
#include <thread>

#include "tests/unit/updater/updater_test_support.h"
#include "updater/core/swap.h"

namespace lumora::update {
namespace {

namespace fs = std::filesystem;

using namespace std::chrono_literals;
using namespace test;  // the scratch folders, files and archives these cases build

// A client that records it ran (in the folder it started in), then lives or fails.
std::string Client(const std::string& build, const std::string& then) {
  return "#!/bin/sh\necho " + build + " >> \"$PWD/../ran\"\n" + then + "\n";
}

class InstallTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteFile(layout_.app / "lumora", Client("old", "exit 0"), 0755);
    WriteFile(layout_.app / "data/page", "old page");
    WriteFile(layout_.app / "Config.ini", "[Config]\nLanguage=2\n");
    WriteFile(layout_.app / "user-extra", "mine");
    chmod(layout_.app.c_str(), 0750);
  }
  void TearDown() override {
    for (const pid_t pid : Running()) kill(pid, SIGKILL);
  }

  // Release archive with the given client script, in the staging folder as a download is.
  fs::path Release(const std::string& client_script) {
    fs::create_directories(layout_.staging);
    WriteArchive(
        layout_.download,
        {{Member::kFile, "lumora", client_script, 0755}, {Member::kFile, "data/page", "new page"}},
        ARCHIVE_FILTER_XZ);
    return layout_.download;
  }

  // Clients started by the test that still run (found by their pid files).
  std::vector<pid_t> Running() {
    std::vector<pid_t> pids;
    for (const auto& name : {"old.pid", "new.pid"}) {
      const std::string text = ReadFile(dir_ / name);
      if (!text.empty()) pids.push_back(std::stoi(text));
    }
    return pids;
  }

  std::string Ran() { return ReadFile(dir_ / "ran"); }

  // Waits for `text` to be the start log (clients run in their own session, detached).
  bool WaitForRan(const std::string& text) {
    for (int i = 0; i < 100 && Ran() != text; ++i) std::this_thread::sleep_for(50ms);
    return Ran() == text;
  }

  ScratchDir dir_;
  Layout layout_ = LayoutFor(dir_ / "app");
};

TEST_F(InstallTest, ANewBuildThatKeepsRunningIsKept) {
  std::vector<InstallStep> steps;
  const auto outcome = InstallAndConfirm(
      layout_, Release(Client("new", "echo $$ > \"$PWD/../new.pid\"; exec sleep 30")), 1 << 20, 1s,
      [&](InstallStep step) { steps.push_back(step); });
  ASSERT_EQ(outcome.kind, InstallOutcome::kInstalled) << outcome.error;
  EXPECT_TRUE(WaitForRan("new\n"));
  EXPECT_EQ(test::ModeOf(layout_.app), 0750u) << "the folder keeps the user's access rights";
  EXPECT_EQ(ReadFile(layout_.app / "data/page"), "new page");
  EXPECT_EQ(ReadFile(layout_.app / "Config.ini"), "[Config]\nLanguage=2\n");
  EXPECT_EQ(ReadFile(layout_.app / "user-extra"), "mine");
  EXPECT_EQ(Listing(layout_.staging), std::vector<std::string>{}) << "old copy and package go";
  EXPECT_EQ(steps.front(), InstallStep::kUnpacking);
  EXPECT_EQ(steps.back(), InstallStep::kDone);
  // The client outlives the wait, in a session of its own.
  const auto pids = Running();
  ASSERT_EQ(pids.size(), 1u);
  EXPECT_EQ(kill(pids[0], 0), 0);
  EXPECT_EQ(getsid(pids[0]), pids[0]);
}

TEST_F(InstallTest, ANewBuildThatFailsAtOnceIsRolledBack) {
  WriteFile(layout_.app / "lumora", Client("old", "echo $$ > \"$PWD/../old.pid\"; exec sleep 30"),
            0755);
  const auto outcome = InstallAndConfirm(layout_, Release(Client("new", "exit 1")), 1 << 20, 10s);
  ASSERT_EQ(outcome.kind, InstallOutcome::kRolledBack);
  EXPECT_FALSE(outcome.error.empty());
  EXPECT_TRUE(WaitForRan("new\nold\n")) << Ran();
  EXPECT_EQ(ReadFile(layout_.app / "data/page"), "old page");
  EXPECT_EQ(ReadFile(layout_.app / "user-extra"), "mine");
  EXPECT_EQ(Listing(layout_.staging), std::vector<std::string>{});
  for (int i = 0; i < 100 && Running().empty(); ++i) std::this_thread::sleep_for(50ms);
  ASSERT_EQ(Running().size(), 1u);
  EXPECT_EQ(kill(Running()[0], 0), 0) << "the old build runs again";
}

TEST_F(InstallTest, ASignalEndingIsAFailureToo) {
  const auto outcome =
      InstallAndConfirm(layout_, Release(Client("new", "kill -SEGV $$")), 1 << 20, 10s);
  EXPECT_EQ(outcome.kind, InstallOutcome::kRolledBack);
  EXPECT_EQ(ReadFile(layout_.app / "data/page"), "old page");
  EXPECT_TRUE(WaitForRan("new\nold\n")) << Ran();
}

TEST_F(InstallTest, FailuresBeforeTheSwapLeaveTheAppFolderAlone) {
  const auto before = Listing(layout_.app);
  // No client program in the release.
  fs::create_directories(layout_.staging);
  WriteArchive(layout_.download, {{Member::kFile, "data/page", "new page"}});
  auto outcome = InstallAndConfirm(layout_, layout_.download, 1 << 20, 1s);
  EXPECT_EQ(outcome.kind, InstallOutcome::kFailed);
  // A client that is not executable.
  WriteArchive(layout_.download, {{Member::kFile, "lumora", "x", 0644}});
  EXPECT_EQ(InstallAndConfirm(layout_, layout_.download, 1 << 20, 1s).kind,
            InstallOutcome::kFailed);
  // Hostile and oversized packages.
  WriteArchive(layout_.download,
               {{Member::kFile, "lumora", "x", 0755}, {Member::kSymlink, "data", "/etc"}});
  EXPECT_EQ(InstallAndConfirm(layout_, layout_.download, 1 << 20, 1s).kind,
            InstallOutcome::kFailed);
  Release(Client("new", "exit 0"));
  outcome = InstallAndConfirm(layout_, layout_.download, 10, 1s);
  EXPECT_EQ(outcome.kind, InstallOutcome::kFailed);
  EXPECT_FALSE(outcome.error.empty());

  EXPECT_EQ(Listing(layout_.app), before);
  EXPECT_EQ(ReadFile(layout_.app / "data/page"), "old page");
  EXPECT_EQ(Listing(layout_.staging), std::vector<std::string>{}) << "staged files stay behind";
  EXPECT_EQ(Ran(), "") << "nothing was started";
}

TEST_F(InstallTest, RenameSwapsInstallAndRollBackToo) {
  setenv(kNoExchangeVariable, "1", 1);
  auto outcome = InstallAndConfirm(layout_, Release(Client("new", "exit 3")), 1 << 20, 10s);
  EXPECT_EQ(outcome.kind, InstallOutcome::kRolledBack);
  EXPECT_EQ(ReadFile(layout_.app / "data/page"), "old page");
  outcome = InstallAndConfirm(layout_, Release(Client("new", "exit 0")), 1 << 20, 10s);
  EXPECT_EQ(outcome.kind, InstallOutcome::kInstalled) << "a client that ends well is kept";
  EXPECT_EQ(ReadFile(layout_.app / "data/page"), "new page");
  EXPECT_FALSE(fs::exists(layout_.journal));
  unsetenv(kNoExchangeVariable);
}

TEST_F(InstallTest, StartClientNeedsAProgram) {
  EXPECT_TRUE(StartClient(layout_.app));
  EXPECT_TRUE(WaitForRan("old\n"));
  EXPECT_FALSE(StartClient(dir_ / "nowhere"));
}

}  // namespace
}  // namespace lumora::update
