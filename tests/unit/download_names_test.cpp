// Names for downloaded files: a server's name never leaves the folder, hides the file, breaks
// a terminal or replaces a file the user has.
#include "platform/download_names.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace lumora {
namespace {

TEST(DownloadNamesTest, AServersNameStaysInTheFolderAndInSight) {
  struct Case {
    std::string offered, safe;
  };
  const Case cases[] = {
      {"setup.exe", "setup.exe"},
      {"../../.bashrc", "_.._.bashrc"},
      {"/etc/passwd", "_etc_passwd"},
      {"..\\..\\boot.ini", "_.._boot.ini"},
      {".hidden", "hidden"},
      {"...", "download"},
      {"", "download"},
      {"  . spaced name .  ", "spaced name"},
      {"bell\a\x1b[31mred\r\n.txt", "bell[31mred.txt"},
      {"c1\xc2\x9b"
       "31m.txt",
       "c131m.txt"},
      {"中文 文件.zip", "中文 文件.zip"},
      {"del\x7f.bin", "del.bin"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.offered);
    EXPECT_EQ(SafeDownloadName(c.offered), c.safe);
  }
}

TEST(DownloadNamesTest, LongNamesAreCutOnACharacterAndKeepTheirExtension) {
  const std::string ascii = SafeDownloadName(std::string(300, 'a') + ".tar");
  EXPECT_EQ(ascii.size(), kDownloadNameLimit);
  EXPECT_TRUE(ascii.ends_with("a.tar"));

  // 3 bytes a character: the cut falls inside one, which must go whole.
  std::string wide;
  for (int i = 0; i < 100; ++i) wide += "字";
  const std::string cut = SafeDownloadName(wide + ".zip");
  EXPECT_LE(cut.size(), kDownloadNameLimit);
  EXPECT_TRUE(cut.ends_with("字.zip"));
  EXPECT_EQ((cut.size() - 4) % 3, 0u);

  // No short extension: the whole name is cut.
  const std::string plain = SafeDownloadName(std::string(150, 'b') + "." + std::string(100, 'c'));
  EXPECT_EQ(plain.size(), kDownloadNameLimit);
  EXPECT_TRUE(plain.starts_with("bbb"));
}

TEST(DownloadNamesTest, ATakenNameGetsTheFirstFreeNumberAndStaysWithinTheLimit) {
  std::set<std::string> folder;
  auto taken = [&](const std::string& name) { return folder.count(name) > 0; };
  EXPECT_EQ(FreeDownloadName("video.mp4", taken), "video.mp4");
  folder = {"video.mp4", "video (1).mp4", "video (3).mp4"};
  EXPECT_EQ(FreeDownloadName("video.mp4", taken), "video (2).mp4");
  folder = {"README"};
  EXPECT_EQ(FreeDownloadName("README", taken), "README (1)");
  folder = {".profile"};
  EXPECT_EQ(FreeDownloadName(".profile", taken), ".profile (1)");

  const std::string longest = SafeDownloadName(std::string(250, 'x') + ".iso");
  folder = {longest};
  const std::string next = FreeDownloadName(longest, taken);
  EXPECT_EQ(next.size(), kDownloadNameLimit);
  EXPECT_TRUE(next.ends_with("x (1).iso"));

  EXPECT_EQ(FreeDownloadName("a.bin", [](const std::string&) { return true; }), "");
  EXPECT_EQ(PartialDownloadName("a.bin"), ".a.bin.part");
}

}  // namespace
}  // namespace lumora
