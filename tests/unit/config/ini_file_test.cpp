#include "config/ini_file.h"

#include <grp.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/unit/config/temp_dir.h"

namespace lumora {
namespace {

using namespace std::string_literals;
namespace fs = std::filesystem;

class IniFileTest : public testing::TempDirTest {};

struct ReadCase {
  const char* what;
  std::string file;
  std::string section;
  std::string key;
  std::string expected;
};

TEST_F(IniFileTest, ReadsByTheRules) {
  const std::vector<ReadCase> cases = {
      {"plain", "[Main]\nVolume=3\n", "Main", "Volume", "3"},
      {"case-insensitive names", "[MAIN]\nvOLUME=3\n", "main", "Volume", "3"},
      {"trimmed", "  [ Main ]  \n\t Volume \t= \t3 x \t\n", " Main ", "Volume\t", "3 x"},
      {"keys with spaces", "[Ads]\nDisplay advertising=1\nColumn 1=Name\n", "Ads", "column 1",
       "Name"},
      {"double quotes", "[S]\nk=\" padded \"\n", "S", "k", " padded "},
      {"single quotes", "[S]\nk='x'\n", "S", "k", "x"},
      {"mismatched quotes kept", "[S]\nk='x\"\n", "S", "k", "'x\""},
      {"empty quotes", "[S]\nk=\"\"\n", "S", "k", ""},
      {"value holding '='", "[S]\nk=a=b\n", "S", "k", "a=b"},
      {"empty value", "[S]\nk=\nj=1\n", "S", "k", ""},
      {"CRLF", "[S]\r\na=1\r\nk=2\r\n", "S", "k", "2"},
      {"lone CR", "[S]\ra=1\rk=2\r", "S", "k", "2"},
      {"UTF-8 BOM", "\xEF\xBB\xBF[S]\nk=2\n", "S", "k", "2"},
      {"UTF-8 BOM means UTF-8", "\xEF\xBB\xBF[设置]\n显示=开\n", "设置", "显示", "开"},
      {"GBK value", "[S]\nk=\xBF\xAA\n", "S", "k", "开"},
      {"GBK names", "[\xCA\xFD\xBE\xDD]\n\xCF\xD4\xCA\xBE=\xB9\xD8\n", "数据", "显示", "关"},
      // 癩 is B0 5D in GBK: its second byte is ']' and must not end the section name.
      {"GBK ']' byte inside a name", "[\xB0\x5D]\nk=1\n", "癩", "k", "1"},
      // 癆 (B0 41) and 癮 (B0 61) differ only in an ASCII-range second byte.
      {"no case folding of Chinese", "[\xB0\x41]\nk=1\n", "癮", "k", ""},
      {"comments", "[S]\n;k=1\n # k=2\nk=3\n", "S", "k", "3"},
      {"line without '='", "[S]\nk\nk=4\n", "S", "k", "4"},
      {"first section wins", "[S]\na=1\n[T]\n[s]\nk=2\n", "S", "k", ""},
      {"first key wins", "[S]\nk=1\nK=2\n[S]\nk=3\n", "S", "k", "1"},
      {"key outside sections", "k=1\n[S]\n", "S", "k", ""},
      {"missing section", "[S]\nk=1\n", "T", "k", ""},
      {"missing key", "[S]\nk=1\n", "S", "j", ""},
      {"NUL bytes", "[S]\n\0\0garbage\xFF\nk=a\0b\nj=2\n"s, "S", "j", "2"},
      {"NUL in value", "[S]\nk=a\0b\n"s, "S", "k", "a\0b"s},
  };
  for (const ReadCase& c : cases) {
    WriteBytes(file_, c.file);
    EXPECT_EQ(ReadConfigItem(file_, c.section, c.key), c.expected) << c.what;
  }
}

TEST_F(IniFileTest, UnreadableFilesReadAsEmpty) {
  EXPECT_EQ(ReadConfigItem(dir_ / "missing.ini", "S", "k"), "");
  EXPECT_EQ(ReadConfigItem(dir_, "S", "k"), "");  // a directory

  ASSERT_EQ(mkfifo((dir_ / "fifo.ini").c_str(), 0600), 0);  // must not block
  EXPECT_EQ(ReadConfigItem(dir_ / "fifo.ini", "S", "k"), "");

  WriteBytes(file_, "[S]\nk=1\n" + std::string(kMaxConfigFileSize, ';'));
  EXPECT_EQ(ReadConfigItem(file_, "S", "k"), "");
}

TEST_F(IniFileTest, WritesNewFileAndReadsBack) {
  ASSERT_TRUE(WriteConfigItem(file_, "Main", "Volume", "3"));
  EXPECT_EQ(ReadBytes(file_), "[Main]\nVolume=3\n");

  const std::vector<std::string> values = {"开", "关", "中文 and ASCII", "", "a=b", "x;y"};
  for (const std::string& value : values) {
    ASSERT_TRUE(WriteConfigItem(file_, "设置", "显示 广告", value));
    EXPECT_EQ(ReadConfigItem(file_, "设置", "显示 广告"), value);
  }
  ASSERT_TRUE(WriteConfigItem(file_, "Main", "Switch", "开"));
  EXPECT_NE(ReadBytes(file_).find("Switch=\xBF\xAA\n"), std::string::npos) << "GBK on disk";
  EXPECT_NE(ReadBytes(file_).find("[\xC9\xE8\xD6\xC3]\n"), std::string::npos) << "[设置]";
}

struct EditCase {
  const char* what;
  std::string before;
  std::string section;
  std::string key;
  std::string value;
  std::string after;
};

TEST_F(IniFileTest, WriteChangesOnlyTheItem) {
  const std::vector<EditCase> cases = {
      {"replace, keeping the rest byte for byte",
       "; top\r\n\r\n[A]\r\n  k = old  \r\n# note\r\nj=1\r\n\r\n[B]\r\nk=x\r\n", "a", "K", "new",
       "; top\r\n\r\n[A]\r\nk=new\r\n# note\r\nj=1\r\n\r\n[B]\r\nk=x\r\n"},
      {"the file's spelling of the key stays", "[S]\nVolume = 3\n", "S", "volume", "5",
       "[S]\nVolume=5\n"},
      {"first key of first section only", "[S]\nk=1\nk=2\n[S]\nk=3\n", "S", "k", "9",
       "[S]\nk=9\nk=2\n[S]\nk=3\n"},
      {"new key after the section's last line, before blanks", "[A]\na=1\n; c\n\n\n[B]\nb=1\n", "A",
       "k", "v", "[A]\na=1\n; c\nk=v\n\n\n[B]\nb=1\n"},
      {"new key in an empty section", "[A]\n[B]\n", "A", "k", "v", "[A]\nk=v\n[B]\n"},
      {"new key at the end of a file without final break", "[A]\na=1", "A", "k", "v",
       "[A]\na=1\nk=v"},
      {"new key keeps CRLF", "[A]\r\na=1\r\n", "A", "k", "v", "[A]\r\na=1\r\nk=v\r\n"},
      {"new key keeps CR", "[A]\ra=1\r", "A", "k", "v", "[A]\ra=1\rk=v\r"},
      {"new key only in the first of duplicate sections", "[A]\na=1\n[A]\n", "A", "k", "v",
       "[A]\na=1\nk=v\n[A]\n"},
      {"new section at the end", "[A]\na=1\n", "B", "k", "v", "[A]\na=1\n[B]\nk=v\n"},
      {"new section after a file without final break", "[A]\r\na=1", "B", "k", "v",
       "[A]\r\na=1\r\n[B]\r\nk=v\r\n"},
      {"BOM kept, UTF-8 kept", "\xEF\xBB\xBF[A]\na=1\n", "A", "显示", "开",
       "\xEF\xBB\xBF[A]\na=1\n显示=开\n"},
      {"invalid GBK and NUL bytes elsewhere untouched", "x=\xFF\x81\n[S]\n\0\nk=1\n"s, "S", "k",
       "2", "x=\xFF\x81\n[S]\n\0\nk=2\n"s},
      {"value cut at its first line break", "[A]\na=1\n", "A", "a", "x\r\n[Other]\nx=1",
       "[A]\na=x\n"},
      {"characters GBK lacks become '?'", "", "A", "a", "x😀", "[A]\na=x?\n"},
  };
  for (const EditCase& c : cases) {
    WriteBytes(file_, c.before);
    EXPECT_TRUE(WriteConfigItem(file_, c.section, c.key, c.value)) << c.what;
    EXPECT_EQ(ReadBytes(file_), c.after) << c.what;
  }
}

TEST_F(IniFileTest, RefusesNamesThatWouldNotReadBack) {
  struct NameCase {
    std::string section;
    std::string key;
  };
  const std::vector<NameCase> cases = {
      {"S", "a=b"}, {"S", "a\nb"}, {"S", "a\rb"}, {"a]b", "k"}, {"a\nb", "k"},
      {"", "k"},    {"S", ""},     {"S", "  "},   {"S", ";k"},  {"S", "#k"},
      {"S", "[k]"}, {"S", "k😀"},   {"😀", "k"},
  };
  const std::string before = "[S]\nk=1\n";
  WriteBytes(file_, before);
  for (const NameCase& c : cases) {
    EXPECT_FALSE(WriteConfigItem(file_, c.section, c.key, "v")) << c.section << "/" << c.key;
  }
  EXPECT_EQ(ReadBytes(file_), before);
}

TEST_F(IniFileTest, WriteKeepsPermissionBitsAndLeavesNoTemporaryFile) {
  WriteBytes(file_, "[S]\nk=1\n");
  ASSERT_EQ(chmod(file_.c_str(), 0640), 0);
  ASSERT_TRUE(WriteConfigItem(file_, "S", "k", "2"));
  EXPECT_EQ(fs::status(file_).permissions(),
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 1);
}

TEST_F(IniFileTest, WriteThroughSymlinkUpdatesTheTarget) {
  const fs::path real = dir_ / "real.ini";
  WriteBytes(real, "[S]\nk=1\n");
  fs::create_symlink("real.ini", file_);
  ASSERT_TRUE(WriteConfigItem(file_, "S", "k", "2"));
  EXPECT_TRUE(fs::is_symlink(file_));
  EXPECT_EQ(ReadBytes(real), "[S]\nk=2\n");
}

TEST_F(IniFileTest, OversizedFileIsRefusedUntouched) {
  const std::string huge = "[S]\nk=1\n" + std::string(kMaxConfigFileSize, 'x');
  WriteBytes(file_, huge);
  EXPECT_FALSE(WriteConfigItem(file_, "S", "k", "2"));
  EXPECT_EQ(ReadBytes(file_), huge);

  // Nor may a write grow a file past the limit.
  const std::string almost = "[S]\nk=" + std::string(kMaxConfigFileSize - 10, 'x') + "\n";
  WriteBytes(file_, almost);
  EXPECT_FALSE(WriteConfigItem(file_, "S", "long", std::string(100, 'y')));
  EXPECT_EQ(ReadBytes(file_), almost);
}

TEST_F(IniFileTest, FailedWritesLeaveTheOriginalIntact) {
  const std::string before = "[S]\nk=1\n";
  WriteBytes(file_, before);

  // The staging file cannot be created: a non-empty directory holds its name.
  const fs::path temp = ConfigTempPath(file_);
  EXPECT_EQ(temp.parent_path(), dir_);
  fs::create_directories(temp / "blocker");
  EXPECT_FALSE(WriteConfigItem(file_, "S", "k", "2"));
  EXPECT_EQ(ReadBytes(file_), before);
  fs::remove_all(temp);

  // The target is a directory: nothing to parse, nothing to replace.
  fs::create_directories(dir_ / "sub.ini" / "x");
  EXPECT_FALSE(WriteConfigItem(dir_ / "sub.ini", "S", "k", "2"));
  EXPECT_TRUE(fs::is_directory(dir_ / "sub.ini" / "x"));

  EXPECT_FALSE(WriteConfigItem(dir_ / "no-such-dir" / "a.ini", "S", "k", "2"));
  EXPECT_FALSE(fs::exists(dir_ / "no-such-dir"));
  EXPECT_EQ(ReadBytes(file_), before);
}

TEST_F(IniFileTest, StaleTemporaryFileFromACrashIsReplaced) {
  WriteBytes(file_, "[S]\nk=1\n");
  WriteBytes(ConfigTempPath(file_), "[S]\nk=torn");
  ASSERT_TRUE(WriteConfigItem(file_, "S", "j", "2"));
  EXPECT_EQ(ReadBytes(file_), "[S]\nk=1\nj=2\n");
  EXPECT_FALSE(fs::exists(ConfigTempPath(file_)));
}

// Permission bits do not stop root: as root (CI), the writes run in a child that has become
// `nobody`, and the files it must not change belong to someone else or lack the write bit.
constexpr uid_t kNobody = 65534;

bool WriteAs(bool as_nobody, const fs::path& file) {
  if (!as_nobody) return WriteConfigItem(file, "S", "k", "2");
  const pid_t child = fork();
  if (child == 0) {
    if (setgroups(0, nullptr) != 0 || setgid(kNobody) != 0 || setuid(kNobody) != 0) _exit(2);
    _exit(WriteConfigItem(file, "S", "k", "2") ? 1 : 0);
  }
  int status = 0;
  if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status)) return true;
  EXPECT_NE(WEXITSTATUS(status), 2) << "could not become nobody";
  return WEXITSTATUS(status) != 0;
}

TEST_F(IniFileTest, ReadOnlyFileOrDirectoryLeavesTheOriginalIntact) {
  const bool root = geteuid() == 0;
  // The writer must reach the folder; as nobody it owns the folder (so only the file's bits
  // can stop it), then the file (so only the folder's bits can).
  ASSERT_EQ(chmod(dir_.c_str(), 0755), 0);
  if (root) {
    ASSERT_EQ(chown(dir_.c_str(), kNobody, kNobody), 0);
  }
  const std::string before = "[S]\nk=1\n";
  WriteBytes(file_, before);
  ASSERT_EQ(chmod(file_.c_str(), 0444), 0);
  EXPECT_FALSE(WriteAs(root, file_));
  ASSERT_EQ(chmod(file_.c_str(), 0644), 0);
  if (root) {
    ASSERT_EQ(chown(file_.c_str(), kNobody, kNobody), 0);
  }
  ASSERT_EQ(chmod(dir_.c_str(), 0555), 0);
  EXPECT_FALSE(WriteAs(root, file_));
  EXPECT_FALSE(WriteAs(root, dir_ / "new.ini"));
  ASSERT_EQ(chmod(dir_.c_str(), 0755), 0);
  EXPECT_EQ(ReadBytes(file_), before);
  EXPECT_FALSE(fs::exists(dir_ / "new.ini"));
}

}  // namespace
}  // namespace lumora
