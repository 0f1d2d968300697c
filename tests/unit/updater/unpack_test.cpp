// Release archives, good and hostile, unpacked into a real folder; and what is carried over
// from the user's app folder.
#include "updater/core/unpack.h"

#include <sys/mount.h>

#include "tests/unit/updater/updater_test_support.h"

namespace lumora::update {
namespace {

namespace fs = std::filesystem;

using test::Listing;
using test::Member;
using test::ModeOf;
using test::ReadFile;
using test::ScratchDir;
using test::WriteArchive;
using test::WriteFile;

class UnpackTest : public ::testing::Test {
 protected:
  // Unpacks members into scratch/out/dest with a canary file beside it; checks the canary
  // folder is untouched whatever happens.
  UnpackResult UnpackMembers(const std::vector<Member>& members, std::uint64_t limit = 1 << 20,
                             int filter = ARCHIVE_FILTER_NONE) {
    WriteArchive(archive_, members, filter);
    return Unpack(archive_, dest_, limit);
  }

  void ExpectRefusedCleanly(const UnpackResult& result) {
    EXPECT_FALSE(result.ok);
    EXPECT_FALSE(result.error.empty());
    EXPECT_FALSE(fs::exists(dest_)) << "a refused archive leaves its folder behind";
    EXPECT_EQ(Listing(dir_.path() / "out"), std::vector<std::string>{"canary"});
    EXPECT_EQ(Listing(dir_.path() / "outside"), std::vector<std::string>{"keep"});
    EXPECT_EQ(ReadFile(dir_ / "outside/keep"), "keep");
  }

  void SetUp() override {
    WriteFile(dir_ / "out/canary", "c");
    WriteFile(dir_ / "outside/keep", "keep");
  }

  ScratchDir dir_;
  fs::path archive_ = dir_ / "release.tar";
  fs::path dest_ = dir_ / "out/dest";
};

TEST_F(UnpackTest, GoodArchiveGivesFilesModesAndLinks) {
  for (const int filter :
       {ARCHIVE_FILTER_NONE, ARCHIVE_FILTER_XZ, ARCHIVE_FILTER_ZSTD, ARCHIVE_FILTER_GZIP}) {
    SCOPED_TRACE(filter);
    const auto result = UnpackMembers(
        {
            {Member::kFile, "./lumora", "#!/bin/sh\n", 0755},
            {Member::kDir, "data", "", 0755},
            {Member::kFile, "data/skin/a.png", "png", 0600},
            {Member::kSymlink, "data/current", "skin"},
            {Member::kSymlink, "data/skin/up", "../../lumora"},
            {Member::kHardlink, "data/copy.png", "data/skin/a.png"},
            {Member::kFile, "setuid", "x", 04755},
        },
        1 << 20, filter);
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_EQ(result.bytes, 14u);
    EXPECT_EQ(Listing(dest_),
              (std::vector<std::string>{"data", "data/copy.png", "data/current", "data/skin",
                                        "data/skin/a.png", "data/skin/up", "lumora", "setuid"}));
    EXPECT_EQ(ReadFile(dest_ / "data/current/a.png"), "png");
    EXPECT_EQ(ReadFile(dest_ / "data/skin/up"), "#!/bin/sh\n");
    EXPECT_EQ(ReadFile(dest_ / "data/copy.png"), "png");
    EXPECT_EQ(ModeOf(dest_ / "lumora"), 0755u);
    EXPECT_EQ(ModeOf(dest_ / "data/skin/a.png"), 0600u);
    EXPECT_EQ(ModeOf(dest_ / "setuid"), 0755u) << "set-id bits are dropped";
    EXPECT_TRUE(fs::is_symlink(dest_ / "data/current"));
  }
}

TEST_F(UnpackTest, AnEarlierFolderOfTheSameNameIsReplaced) {
  WriteFile(dest_ / "stale", "old");
  ASSERT_TRUE(UnpackMembers({{Member::kFile, "lumora", "x", 0755}}).ok);
  EXPECT_EQ(Listing(dest_), std::vector<std::string>{"lumora"});
}

TEST_F(UnpackTest, HostileMembersAreRefused) {
  const std::vector<std::vector<Member>> hostile = {
      {{Member::kFile, "../x", "escaped"}},
      {{Member::kFile, "data/../../x", "escaped"}},
      {{Member::kFile, "/abs", "absolute"}},
      {{Member::kFile, dir_.path().string() + "/outside/keep", "overwritten"}},
      {{Member::kSymlink, "etc", "/etc"}},
      {{Member::kSymlink, "a", "../.."}},
      {{Member::kSymlink, "data/a", "../../outside"}},
      {{Member::kSymlink, "data/a", "sub/../../.."}},
      {{Member::kSymlink, "empty", ""}},
      // A climb through a link that itself stays inside.
      {{Member::kSymlink, "up", "."}, {Member::kFile, "up/../x", "escaped"}},
      {{Member::kHardlink, "h", "../outside/keep"}},
      {{Member::kHardlink, "h", "/etc/passwd"}},
      {{Member::kHardlink, "h", "missing"}},
      // A hard link to a deeper link would carry that link's target to another depth.
      {{Member::kSymlink, "a/b/l", "../../x"}, {Member::kHardlink, "l2", "a/b/l"}},
      {{Member::kCharDevice, "null", ""}},
      {{Member::kFifo, "pipe", ""}},
      {{Member::kFile, "lumora", "x", 0755}, {Member::kFile, "big", std::string(2000, 'b')}},
  };
  for (const auto& members : hostile) {
    SCOPED_TRACE(members.back().path + " -> " + members.back().data.substr(0, 40));
    ExpectRefusedCleanly(UnpackMembers(members, 1000));
    EXPECT_FALSE(fs::exists(dir_ / "x"));
    EXPECT_FALSE(fs::exists(dir_ / "out/x"));
  }
}

TEST_F(UnpackTest, SizeBombsAreStopped) {
  // Many small files over the limit, a well compressed big one, and a header that lies.
  std::vector<Member> many;
  for (int i = 0; i < 20; ++i)
    many.push_back({Member::kFile, "f" + std::to_string(i), "0123456789"});
  ExpectRefusedCleanly(UnpackMembers(many, 150));
  ExpectRefusedCleanly(UnpackMembers({{Member::kFile, "zeros", std::string(4 << 20, '\0')}},
                                     1 << 20, ARCHIVE_FILTER_XZ));
  ASSERT_LT(fs::file_size(archive_), 4u << 10) << "the test's bomb is well compressed";
  ExpectRefusedCleanly(UnpackMembers({{Member::kFile, "lies", "x", 0644, 1 << 30}}, 1 << 20));
  // Exactly at the limit is fine.
  EXPECT_TRUE(UnpackMembers({{Member::kFile, "f", std::string(100, 'x')}}, 100).ok);
}

TEST_F(UnpackTest, DamagedOrMissingArchivesAreRefused) {
  ExpectRefusedCleanly(Unpack(dir_ / "missing.tar", dest_, 1 << 20));
  WriteFile(archive_, "not an archive at all, just some text that is long enough");
  ExpectRefusedCleanly(Unpack(archive_, dest_, 1 << 20));
  WriteArchive(archive_, {{Member::kFile, "lumora", std::string(100000, 'x')}}, ARCHIVE_FILTER_XZ);
  const auto size = fs::file_size(archive_);
  fs::resize_file(archive_, size / 2);
  ExpectRefusedCleanly(Unpack(archive_, dest_, 1 << 20));
}

TEST(UnpackDiskTest, AFullDiskIsRefusedAndCleanedUp) {
  ScratchDir dir;
  const fs::path small = dir / "small";
  fs::create_directories(small);
  if (geteuid() != 0 || mount("tmpfs", small.c_str(), "tmpfs", 0, "size=64k,nr_inodes=64") != 0) {
    GTEST_SKIP() << "needs root to mount a small tmpfs";
  }
  struct Unmount {
    fs::path at;
    ~Unmount() { umount(at.c_str()); }
  } unmount{small};
  WriteArchive(dir / "big.tar.xz",
               {{Member::kFile, "lumora", "x", 0755},
                {Member::kFile, "data/big", std::string(256 << 10, 'b')}},
               ARCHIVE_FILTER_XZ);
  const auto result = Unpack(dir / "big.tar.xz", small / "dest", 1 << 30);
  EXPECT_FALSE(result.ok);
  EXPECT_FALSE(result.error.empty());
  EXPECT_FALSE(fs::exists(small / "dest"));
  EXPECT_EQ(Listing(small), std::vector<std::string>{}) << "the room is given back";
}

TEST(CarryOverTest, UserSettingsAndExtraEntriesComeAlong) {
  ScratchDir dir;
  const fs::path old_app = dir / "app", release = dir / "new";
  WriteFile(old_app / "Config.ini", "[Config]\nLanguage=2\n", 0600);
  WriteFile(old_app / "lumora", "old program", 0755);
  WriteFile(old_app / "plugins/own.so", "user plugin", 0750);
  WriteFile(old_app / "data/old-only", "old data");
  fs::create_symlink("plugins/own.so", old_app / "plugin-link");
  fs::create_symlink("/nonexistent/target", old_app / "dangling");
  WriteFile(release / "lumora", "new program", 0755);
  WriteFile(release / "data/new-only", "new data");
  WriteFile(release / "Config.ini", "[Config]\nLanguage=0\n");

  std::string error;
  ASSERT_TRUE(CarryOver(old_app, release, &error)) << error;
  EXPECT_EQ(ReadFile(release / "Config.ini"), "[Config]\nLanguage=2\n");
  EXPECT_EQ(ModeOf(release / "Config.ini"), 0600u);
  EXPECT_EQ(ReadFile(release / "lumora"), "new program");
  EXPECT_EQ(ReadFile(release / "plugins/own.so"), "user plugin");
  EXPECT_EQ(ModeOf(release / "plugins/own.so"), 0750u);
  // Only top-level entries the release lacks: the release's data folder is its own.
  EXPECT_FALSE(fs::exists(release / "data/old-only"));
  EXPECT_TRUE(fs::is_symlink(release / "plugin-link"));
  EXPECT_EQ(fs::read_symlink(release / "plugin-link"), "plugins/own.so");
  EXPECT_EQ(fs::read_symlink(release / "dangling"), "/nonexistent/target");
  // The old folder is left as it was.
  EXPECT_EQ(ReadFile(old_app / "data/old-only"), "old data");

  EXPECT_FALSE(CarryOver(dir / "missing", release, &error));
  EXPECT_FALSE(error.empty());
}

}  // namespace
}  // namespace lumora::update
