// Folder swaps on real folders, both by exchange and by the journaled renames, and recovery
// from every state a crash can leave.
#include "updater/core/swap.h"

#include <signal.h>

#include <cstdlib>

#include "tests/unit/updater/updater_test_support.h"
#include "updater/core/durable.h"
#include "updater/core/lock.h"

namespace lumora::update {
namespace {

namespace fs = std::filesystem;

using test::Listing;
using test::ReadFile;
using test::ScratchDir;
using test::WriteFile;

// A build: a program file and data whose contents name the build.
void MakeBuild(const fs::path& folder, const std::string& name) {
  WriteFile(folder / "lumora", name + " program", 0755);
  WriteFile(folder / "data/page.html", name + " page");
  WriteFile(folder / "Config.ini", "[Config]\nLanguage=1\n");
}

// Which whole build a folder holds: "old", "new", or "broken".
std::string BuildIn(const fs::path& folder) {
  for (const std::string name : {"old", "new"}) {
    if (ReadFile(folder / "lumora") == name + " program" &&
        ReadFile(folder / "data/page.html") == name + " page" &&
        ReadFile(folder / "Config.ini") == "[Config]\nLanguage=1\n" &&
        Listing(folder) ==
            std::vector<std::string>{"Config.ini", "data", "data/page.html", "lumora"}) {
      return name;
    }
  }
  return "broken";
}

class ForcedFallback {
 public:
  explicit ForcedFallback(bool on) {
    if (on) setenv(kNoExchangeVariable, "1", 1);
  }
  ~ForcedFallback() { unsetenv(kNoExchangeVariable); }
};

class SwapTest : public ::testing::TestWithParam<bool> {
 protected:
  void SetUp() override {
    MakeBuild(layout_.app, "old");
    MakeBuild(layout_.new_dir, "new");
  }
  ScratchDir dir_;
  Layout layout_ = LayoutFor(dir_ / "app");
};

TEST_P(SwapTest, SwapExchangesWholeFolders) {
  ForcedFallback fallback(GetParam());
  std::string error;
  ASSERT_TRUE(SwapFolders(layout_.app, layout_.new_dir, layout_.journal, &error)) << error;
  EXPECT_EQ(BuildIn(layout_.app), "new");
  EXPECT_EQ(BuildIn(layout_.new_dir), "old");
  EXPECT_FALSE(fs::exists(layout_.journal));
  EXPECT_EQ(Listing(layout_.staging),
            (std::vector<std::string>{"new", "new/Config.ini", "new/data", "new/data/page.html",
                                      "new/lumora"}));
  ASSERT_TRUE(SwapFolders(layout_.app, layout_.new_dir, layout_.journal, &error)) << error;
  EXPECT_EQ(BuildIn(layout_.app), "old");
}

TEST_P(SwapTest, MissingFolderFailsAndChangesNothing) {
  ForcedFallback fallback(GetParam());
  std::string error;
  EXPECT_FALSE(SwapFolders(layout_.app, layout_.staging / "absent", layout_.journal, &error));
  EXPECT_FALSE(error.empty());
  EXPECT_EQ(BuildIn(layout_.app), "old");
  EXPECT_FALSE(fs::exists(layout_.journal));
}

INSTANTIATE_TEST_SUITE_P(ExchangeAndRenames, SwapTest, ::testing::Values(false, true),
                         [](const auto& test_info) {
                           return test_info.param ? "Renames" : "Exchange";
                         });

TEST(RecoverTest, EveryStateOfAnInterruptedRenameSwapEndsWhole) {
  for (int renames = 0; renames <= 3; ++renames) {
    SCOPED_TRACE(renames);
    ScratchDir dir;
    const Layout layout = LayoutFor(dir / "app");
    MakeBuild(layout.app, "old");
    MakeBuild(layout.new_dir, "new");
    ASSERT_TRUE(
        testing::SwapByRenamesInterrupted(layout.app, layout.new_dir, layout.journal, renames));
    ASSERT_TRUE(fs::exists(layout.journal));
    // A journaled swap is finished from wherever it stopped. Without a pending record
    // nothing swapped in awaits confirmation, so the staged folder goes.
    ASSERT_TRUE(Recover(layout));
    EXPECT_EQ(BuildIn(layout.app), "new");
    EXPECT_FALSE(fs::exists(layout.journal));
    EXPECT_FALSE(fs::exists(layout.new_dir));
    EXPECT_EQ(Listing(layout.staging), std::vector<std::string>{});
  }
}

TEST(RecoverTest, AnUnconfirmedBuildGivesWayToThePreviousOne) {
  // The install records the new folder's inode, then swaps; a crash at each point after.
  for (int point = 0; point < 4; ++point) {
    SCOPED_TRACE(point);
    ScratchDir dir;
    const Layout layout = LayoutFor(dir / "app");
    MakeBuild(layout.app, "old");
    MakeBuild(layout.new_dir, "new");
    ASSERT_TRUE(durable::WriteFileAtomically(
        layout.pending, std::to_string(durable::InodeOf(layout.new_dir)) + "\n"));
    if (point >= 1) {
      ASSERT_TRUE(SwapFolders(layout.app, layout.new_dir, layout.journal));
    }
    if (point >= 2) fs::rename(layout.new_dir, layout.old_copy);
    if (point == 3) {  // halfway through putting the old one back by renames
      ASSERT_TRUE(
          testing::SwapByRenamesInterrupted(layout.app, layout.old_copy, layout.journal, 1));
      ASSERT_FALSE(fs::exists(layout.app));
    }
    bool app_changed = false;
    ASSERT_TRUE(Recover(layout, &app_changed));
    EXPECT_EQ(BuildIn(layout.app), "old");
    EXPECT_EQ(app_changed, point >= 1) << "a launcher must know its files changed";
    EXPECT_EQ(Listing(layout.staging), std::vector<std::string>{});
  }
}

TEST(RecoverTest, AnUnconfirmedBuildWhoseClientRunsStays) {
  ScratchDir dir;
  const Layout layout = LayoutFor(dir / "app");
  MakeBuild(layout.app, "old");
  MakeBuild(layout.new_dir, "new");
  const ino_t new_inode = durable::InodeOf(layout.new_dir);
  ASSERT_TRUE(SwapFolders(layout.app, layout.new_dir, layout.journal));
  fs::rename(layout.new_dir, layout.old_copy);
  const pid_t client = fork();
  if (client == 0) {
    if (chdir(layout.app.c_str()) != 0) _exit(1);
    pause();
    _exit(0);
  }
  for (int i = 0; i < 100 && durable::InodeOf("/proc/" + std::to_string(client) + "/cwd/lumora") !=
                                 durable::InodeOf(layout.app / "lumora");
       ++i) {
    usleep(10000);
  }
  ASSERT_TRUE(durable::WriteFileAtomically(
      layout.pending, std::to_string(new_inode) + "\n" + std::to_string(client) + "\n"));
  bool app_changed = true;
  ASSERT_TRUE(Recover(layout, &app_changed));
  EXPECT_FALSE(app_changed);
  EXPECT_EQ(BuildIn(layout.app), "new");
  EXPECT_EQ(Listing(layout.staging), std::vector<std::string>{});
  kill(client, SIGKILL);
  waitpid(client, nullptr, 0);

  // The same record with the client gone: the previous build comes back.
  MakeBuild(layout.old_copy, "old");
  ASSERT_TRUE(durable::WriteFileAtomically(
      layout.pending, std::to_string(new_inode) + "\n" + std::to_string(client) + "\n"));
  ASSERT_TRUE(Recover(layout));
  EXPECT_EQ(BuildIn(layout.app), "old");
}

TEST(RecoverTest, AConfirmedBuildStaysAndLeftoversGo) {
  ScratchDir dir;
  const Layout layout = LayoutFor(dir / "app");
  MakeBuild(layout.app, "new");
  MakeBuild(layout.old_copy, "old");  // confirmed, old copy not yet removed
  WriteFile(layout.download, "partial download");
  ASSERT_TRUE(Recover(layout));
  EXPECT_EQ(BuildIn(layout.app), "new");
  EXPECT_FALSE(fs::exists(layout.old_copy));
  EXPECT_EQ(ReadFile(layout.download), "partial download") << "a download may be resumed";

  // A damaged journal was never acted on (it is written whole before the first rename).
  WriteFile(layout.journal, "a\t/x\nb\t");
  ASSERT_TRUE(Recover(layout));
  EXPECT_FALSE(fs::exists(layout.journal));
  EXPECT_EQ(BuildIn(layout.app), "new");
  // Nothing staged at all.
  EXPECT_TRUE(Recover(LayoutFor(dir / "elsewhere")));
}

TEST(RecoverTest, TheLaunchersRecoveryWaitsForARunningUpdate) {
  ScratchDir dir;
  const Layout layout = LayoutFor(dir / "app");
  MakeBuild(layout.app, "old");
  MakeBuild(layout.new_dir, "new");
  {
    auto lock = UpdateLock::TryTake(layout.lock);
    ASSERT_TRUE(lock);
    EXPECT_TRUE(RecoverUnlessBusy(layout));
    EXPECT_TRUE(fs::exists(layout.new_dir)) << "the running update's files were touched";
  }
  EXPECT_TRUE(RecoverUnlessBusy(layout));
  EXPECT_FALSE(fs::exists(layout.new_dir));
  EXPECT_EQ(BuildIn(layout.app), "old");
}

TEST(LayoutTest, StagingIsAHiddenSibling) {
  const Layout layout = LayoutFor("/home/u/Lumora/");
  EXPECT_EQ(layout.app, "/home/u/Lumora");
  EXPECT_EQ(layout.staging, "/home/u/.Lumora.update");
  EXPECT_EQ(layout.lock.parent_path(), layout.staging);
  EXPECT_EQ(layout.new_dir.parent_path(), layout.staging);
  EXPECT_EQ(layout.old_copy.parent_path(), layout.staging);
}

// AppFolderWritable as an ordinary user sees it: as root, the check runs in a child that
// has become "nobody".
bool WritableFor(const fs::path& app) {
  if (geteuid() != 0) return AppFolderWritable(app);
  const pid_t child = fork();
  if (child == 0) {
    if (setgid(65534) != 0 || setuid(65534) != 0) _exit(2);
    _exit(AppFolderWritable(app) ? 0 : 1);
  }
  int status = 0;
  waitpid(child, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) != 2);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

TEST(LayoutTest, PackageMarkerAndWritableFolders) {
  ScratchDir dir;
  const fs::path parent = dir / "home", app = parent / "app";
  MakeBuild(app, "old");
  EXPECT_FALSE(ManagedByPackage(app));
  WriteFile(app / kPackageMarker, "");
  EXPECT_TRUE(ManagedByPackage(app));

  chmod(dir.path().c_str(), 0755);  // scratch folders are private to their maker
  const bool owned_by_us = geteuid() != 0;
  const mode_t open_mode = owned_by_us ? 0755 : 0777;
  chmod(parent.c_str(), open_mode);
  chmod(app.c_str(), open_mode);
  EXPECT_TRUE(WritableFor(app));
  EXPECT_FALSE(WritableFor(dir / "missing"));
  chmod(app.c_str(), 0555);
  EXPECT_FALSE(WritableFor(app));
  chmod(app.c_str(), open_mode);
  chmod(parent.c_str(), 0555);
  EXPECT_FALSE(WritableFor(app)) << "the swap renames in the parent";
  chmod(parent.c_str(), open_mode);
  // A link in place of the folder is not an app folder to replace.
  fs::create_directory_symlink(app, parent / "alias");
  EXPECT_FALSE(WritableFor(parent / "alias"));
}

}  // namespace
}  // namespace lumora::update
