// System integrations on the real machine: files, starting programs, autostart entries.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <thread>

#include "platform/files.h"
#include "platform/system/linux_system.h"

namespace lumora {
namespace {

namespace fs = std::filesystem;

class TempDir {
 public:
  TempDir() {
    std::string templ = (fs::temp_directory_path() / "lumora-sys-XXXXXX").string();
    path_ = mkdtemp(templ.data());
  }
  ~TempDir() {
    std::error_code ec;
    fs::remove_all(path_, ec);
  }
  const fs::path& path() const { return path_; }

 private:
  fs::path path_;
};

void WriteFile(const fs::path& p, const std::string& content) {
  std::ofstream(p, std::ios::binary) << content;
}

TEST(Files, ReadFileBytesIsEmptyOnEveryFailure) {
  TempDir dir;
  WriteFile(dir.path() / "a.gif", std::string("GIF89a\0\x01", 8));
  EXPECT_EQ(ReadFileBytes(dir.path() / "a.gif").size(), 8u);
  EXPECT_TRUE(ReadFileBytes(dir.path() / "missing.gif").empty());
  EXPECT_TRUE(ReadFileBytes(dir.path()).empty());  // a directory
  EXPECT_TRUE(ReadFileBytes(dir.path() / "a.gif", /*limit=*/4).empty());
  EXPECT_TRUE(ProgramFilePath().is_absolute());
}

TEST(Process, StartsWithoutAShellSoBlanksAndQuotesStayArguments) {
  TempDir dir;
  const fs::path folder = dir.path() / "with blank's \"quote\" $(x)";
  fs::create_directories(folder);
  const fs::path script = folder / "Update";
  const fs::path out = dir.path() / "out.txt";
  WriteFile(script, "#!/bin/sh\nprintf '%s|' \"$0\" \"$@\" > \"" + out.string() + ".tmp\"\nmv \"" +
                        out.string() + ".tmp\" \"" + out.string() + "\"\n");
  fs::permissions(script, fs::perms::owner_all);
  ASSERT_TRUE(SpawnDetached(script.string(), {"a b", "; rm -rf /"}));
  for (int i = 0; i < 500 && !fs::exists(out); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  std::ifstream in(out);
  std::string got((std::istreambuf_iterator<char>(in)), {});
  EXPECT_EQ(got, script.string() + "|a b|; rm -rf /|");
  EXPECT_FALSE(SpawnDetached((dir.path() / "nothing").string(), {}));
}

TEST(Autostart, EntryAppearsAndDisappearsUnderTheUsersConfigFolder) {
  TempDir dir;
  setenv("XDG_CONFIG_HOME", dir.path().c_str(), 1);
  LinuxSystem system;
  const std::string program = "/opt/My \"Apps\"/lumora $HOME 100%";
  ASSERT_TRUE(system.RegisterAutorun("lumora", program));
  const fs::path entry = dir.path() / "autostart" / "lumora.desktop";
  std::ifstream in(entry);
  std::string text((std::istreambuf_iterator<char>(in)), {});
  EXPECT_NE(text.find("Exec=\"/opt/My \\\"Apps\\\"/lumora \\$HOME 100%%\"\n"), std::string::npos)
      << text;
  EXPECT_FALSE(system.RegisterAutorun("../escape", program));
  EXPECT_TRUE(system.UnregisterAutorun("lumora"));
  EXPECT_FALSE(fs::exists(entry));
  unsetenv("XDG_CONFIG_HOME");
}

}  // namespace
}  // namespace lumora
