// The start-up on files a user, a disk or another program has broken: Config.ini, the language
// table and the skin pictures corrupt, binary, huge, unreadable, replaced by a pipe or missing,
// pictures truncated or of another format, and no Html/Loading.html. The program must come up
// without a crash or a hang, keep every setting it could still read, and leave a file it
// cannot read as it found it.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <ostream>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "config/gbk.h"
#include "service/pages.h"
#include "tests/behaviour/program_fixture.h"
#include "tests/support/unprivileged_files.h"

namespace lumora {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

enum class Damage {
  Corrupt,     // text damage around lines that still read
  Binary,      // random bytes around lines that still read
  Huge,        // 100 MiB, sparse
  Unreadable,  // mode 000, read with the permission checks of `nobody` when the tests run as root
  Pipe,        // a FIFO nobody writes to: a careless open or read would hang
  Missing,
};

const char* Name(Damage d) {
  switch (d) {
    case Damage::Corrupt:
      return "Corrupt";
    case Damage::Binary:
      return "Binary";
    case Damage::Huge:
      return "Huge";
    case Damage::Unreadable:
      return "Unreadable";
    case Damage::Pipe:
      return "Pipe";
    case Damage::Missing:
      return "Missing";
  }
  return "?";
}

void PrintTo(Damage d, std::ostream* os) {
  *os << Name(d);
}

std::string NameOf(const ::testing::TestParamInfo<Damage>& param_info) {
  return Name(param_info.param);
}

const Damage kAllDamage[] = {Damage::Corrupt,    Damage::Binary, Damage::Huge,
                             Damage::Unreadable, Damage::Pipe,   Damage::Missing};

std::string ReadBytes(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteBytes(const fs::path& file, const std::string& bytes) {
  fs::create_directories(file.parent_path());
  std::ofstream(file, std::ios::binary | std::ios::trunc) << bytes;
}

// Bytes of every kind, including NUL, CR, LF, '[', '=' and GBK lead bytes without a partner.
std::string RandomBytes(std::size_t size, unsigned seed) {
  std::mt19937 random(seed);
  std::string bytes(size, '\0');
  for (char& c : bytes) c = static_cast<char>(random() & 0xFF);
  return bytes;
}

// Splits on every CR and LF, so lines compare however the writer ended the ones it added.
std::vector<std::string> Pieces(const std::string& bytes) {
  std::vector<std::string> pieces(1);
  for (char c : bytes) {
    if (c == '\r' || c == '\n') {
      pieces.emplace_back();
    } else {
      pieces.back() += c;
    }
  }
  return pieces;
}

// Whether `after` is `before` with only lines from `allowed` (and line breaks) added.
bool OnlyAdded(const std::string& before, const std::string& after,
               const std::vector<std::string>& allowed) {
  const std::vector<std::string> old_pieces = Pieces(before);
  const std::vector<std::string> new_pieces = Pieces(after);
  std::size_t next = 0;
  for (const std::string& piece : new_pieces) {
    if (next < old_pieces.size() && piece == old_pieces[next]) {
      ++next;
    } else if (!piece.empty() &&
               std::find(allowed.begin(), allowed.end(), piece) == allowed.end()) {
      return false;
    }
  }
  return next == old_pieces.size();
}

// Puts the damage in place of `file`. `readable` holds lines that must still read; Corrupt and
// Binary keep them, each on a line of its own, amid the damage. Returns what was written.
std::string Break(const fs::path& file, Damage damage, const std::string& readable) {
  std::error_code ignored;
  fs::remove_all(file, ignored);
  fs::create_directories(file.parent_path());
  std::string bytes;
  switch (damage) {
    case Damage::Corrupt:
      // An unclosed header, a header cut inside a GBK character (0x81 0x5D ends in ']'),
      // orphan values, a line with no '=', NULs, a lone lead byte at the very end.
      bytes = std::string("[Config\r\n=orphan\r\n]]][[\r\n[Config\x81]\r\nLanguage=1\r\n") +
              "no equals sign\r\n==\r\n\xFF\xFE" + std::string(3, '\0') + "\r\n;" + readable +
              "\r\n" + readable + "\r\n\x81\x5d=\x81\r\n[]\r\n[Other]\r\nLanguage=9\r\n\x81";
      break;
    case Damage::Binary:
      bytes = RandomBytes(32 * 1024, 7) + "\n" + readable + "\n" + RandomBytes(32 * 1024, 8);
      break;
    case Damage::Huge: {
      const int fd = open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      EXPECT_GE(fd, 0);
      EXPECT_EQ(ftruncate(fd, 100 << 20), 0);
      close(fd);
      return {};
    }
    case Damage::Unreadable:
      WriteBytes(file, readable);
      fs::permissions(file, fs::perms::none);
      return readable;
    case Damage::Pipe:
      EXPECT_EQ(mkfifo(file.c_str(), 0644), 0);
      return {};
    case Damage::Missing:
      return {};
  }
  WriteBytes(file, bytes);
  return bytes;
}

bool ReadsBack(Damage damage) {
  return damage == Damage::Corrupt || damage == Damage::Binary;
}

class HostileFilesTest : public testing::ProgramFixture {
 protected:
  HostileFilesTest() { On(kStartupSwitchPage); }

  // Runs the start-up and reports whether it went all the way: names applied, the home page
  // navigated, the window shown. It must never take long, whatever the files are.
  bool StartFully() {
    const auto started = Clock::now();
    Start();
    EXPECT_LT(Clock::now() - started, std::chrono::seconds(3)) << "the start-up dragged";
    EXPECT_TRUE(program.IsLoaded(kMain));
    return Address(kMain, "WebBrowser1") == Base() && Visible(kMain, "");
  }

  fs::path ConfigFile() const { return run.Path() / "Config.ini"; }

  // Between the two, the program reads and writes files with the permission checks of
  // `nobody` (see UnprivilegedFiles), so that an unreadable file is one when run as root.
  void UseFilesAsNobody(Damage damage) {
    if (damage != Damage::Unreadable) return;
    unprivileged_.emplace(run.Path());
    EXPECT_TRUE(unprivileged_->Effective()) << "cannot check files as nobody";
  }
  void UseFilesAsBefore() { unprivileged_.reset(); }

 private:
  std::optional<testing::UnprivilegedFiles> unprivileged_;

 protected:
  void Restore(const fs::path& file) const {
    std::error_code ignored;
    fs::permissions(file, fs::perms::owner_all, ignored);
  }
};

// --- Config.ini -----------------------------------------------------------------------------

class DamagedConfigTest : public HostileFilesTest, public ::testing::WithParamInterface<Damage> {};

TEST_P(DamagedConfigTest, StartsAndKeepsWhatWasReadable) {
  const Damage damage = GetParam();
  const std::string before = Break(ConfigFile(), damage, "[Config]\r\nLanguage=3\r\nTray=2");
  const struct stat huge_before = [&] {
    struct stat info {};
    lstat(ConfigFile().c_str(), &info);
    return info;
  }();

  UseFilesAsNobody(damage);
  EXPECT_EQ(StartFully(), ReadsBack(damage));
  UseFilesAsBefore();
  Restore(ConfigFile());

  const std::vector<std::string> flags = {"APPWindows=1",        "PlayerWindows=1", "PlayerOpen=1",
                                          "APPOpen=1",           "Maximize=1",      "APPMaximize=1",
                                          "APPCenterMaximize=1", "[Config]"};
  switch (damage) {
    case Damage::Corrupt:
    case Damage::Binary:
      EXPECT_EQ(Text(kMain, ""), testing::kTables[2].name);
      EXPECT_EQ(run.Config("Language") + run.Config("Tray") + run.Config("APPOpen"), "321");
      EXPECT_TRUE(OnlyAdded(before, ReadBytes(ConfigFile()), flags))
          << "lines the program does not own were changed";
      break;
    case Damage::Huge: {
      // Too big to be a settings file: neither read nor rewritten (nor filled in on disk).
      struct stat after {};
      ASSERT_EQ(lstat(ConfigFile().c_str(), &after), 0);
      EXPECT_EQ(after.st_size, huge_before.st_size);
      EXPECT_EQ(after.st_ino, huge_before.st_ino);
      EXPECT_LT(after.st_blocks, 1024);
      break;
    }
    case Damage::Unreadable:
      // Settings it could not read are still the user's: never replaced by defaults.
      EXPECT_EQ(ReadBytes(ConfigFile()), before);
      break;
    case Damage::Pipe:
      EXPECT_TRUE(fs::is_fifo(ConfigFile()));
      break;
    case Damage::Missing:
      // Written from nothing: the flags are there for the windows that read them.
      EXPECT_EQ(run.Config("APPOpen") + run.Config("PlayerOpen"), "11");
      break;
  }
  EXPECT_FALSE(fs::exists(ConfigTempPath(ConfigFile())));
  // The rest of the program lives with it too: the settings dialog opens and saves.
  program.LoadWindow(WindowId::SettingsWindow);
  view.Click(WindowId::SettingsWindow, "图形按钮1");
  EXPECT_FALSE(program.IsLoaded(WindowId::SettingsWindow));
}

INSTANTIATE_TEST_SUITE_P(Damage, DamagedConfigTest, ::testing::ValuesIn(kAllDamage), NameOf);

// --- the language table ---------------------------------------------------------------------

class DamagedTableTest : public HostileFilesTest, public ::testing::WithParamInterface<Damage> {};

TEST_P(DamagedTableTest, StartsWithTheNamesThatStillRead) {
  const Damage damage = GetParam();
  const fs::path table = LanguageTablePath(run.Path(), 1);
  Break(table, damage, Utf8ToGbk("[Config]\r\nName=简影\r\nColumn 2=简直播"));

  UseFilesAsNobody(damage);
  EXPECT_TRUE(StartFully()) << "the table only names things; the start-up goes on without it";
  UseFilesAsBefore();
  Restore(table);
  const bool readable = ReadsBack(damage);
  EXPECT_EQ(Text(kMain, "软件名称标签"), readable ? "简影" : "");
  EXPECT_EQ(Text(kMain, "栏目2标签"), readable ? "简直播" : "");
  EXPECT_EQ(Text(kMain, "栏目1标签"), "");
  EXPECT_EQ(run.Config("Language"), "1");
}

INSTANTIATE_TEST_SUITE_P(Damage, DamagedTableTest, ::testing::ValuesIn(kAllDamage), NameOf);

// --- skin pictures, the loading page and the icon ---------------------------------------------

// The pictures MainWindow's start-up reads.
const char* const kPictures[] = {
    "Top.jpg",           "TopBackground.gif", "Left.gif",        "Right.gif",
    "Foot.gif",          "CloseA.gif",        "CloseB.gif",      "MaximizationA.gif",
    "MaximizationB.gif", "MinimalityA.gif",   "MinimalityB.gif", "OptionA.gif",
    "OptionB.gif",
};

struct PictureCase {
  const char* name;
  std::string bytes;  // "" with `damage` for the other kinds of damage
  Damage damage = Damage::Corrupt;
};

void PrintTo(const PictureCase& c, std::ostream* os) {
  *os << c.name;
}

class DamagedPicturesTest : public HostileFilesTest,
                            public ::testing::WithParamInterface<PictureCase> {};

TEST_P(DamagedPicturesTest, StartsAndHandsTheViewOnlyWhatItRead) {
  const PictureCase& c = GetParam();
  for (const char* picture : kPictures) {
    const fs::path file = run.Path() / "Skins/Default" / picture;
    if (c.bytes.empty()) {
      Break(file, c.damage, "GIF89a");
      if (c.damage == Damage::Missing) fs::remove_all(run.Path() / "Skins");
    } else {
      WriteBytes(file, c.bytes);
    }
  }
  // Nor is there a loading page or a tray icon in this run directory.
  ASSERT_FALSE(fs::exists(run.Path() / "Html/Loading.html"));

  UseFilesAsNobody(c.damage);
  EXPECT_TRUE(StartFully());
  UseFilesAsBefore();
  // A picture the view cannot decode is the view's to drop; the program passes on the bytes
  // it read, and nothing for a file it could not read.
  const Bytes top = AsBytes(program.GetProperty(kMain, "图片框2", Prop::Picture));
  EXPECT_EQ(std::string(top.begin(), top.end()), c.bytes);
  const Bytes close = AsBytes(program.GetProperty(kMain, "关闭按钮", Prop::NormalPicture));
  EXPECT_EQ(std::string(close.begin(), close.end()), c.bytes);

  // The loading page was asked for where it belongs; after the wait the home page shows.
  EXPECT_FALSE(Visible(kMain, "WebBrowser2"));
  EXPECT_TRUE(Visible(kMain, "WebBrowser1"));
  // Closing to the tray works without an icon file.
  view.Click(kMain, "关闭按钮");
  EXPECT_FALSE(Visible(kMain, ""));
  view.Tray(kMain, 1);
  EXPECT_TRUE(Visible(kMain, ""));
}

std::vector<PictureCase> PictureCases() {
  using namespace std::string_literals;
  std::vector<PictureCase> cases = {
      {"TruncatedGif", "GIF89a\x20\x00\x20\x00\xF7\x00\x00"s},
      {"JpegWithAGifName", "\xFF\xD8\xFF\xE0\x00\x10JFIF\x00\x01\x01\x00\x00\x01\x00\x01\x00\x00"s},
      {"Binary", RandomBytes(4096, 3)},
  };
  for (Damage d : {Damage::Huge, Damage::Unreadable, Damage::Pipe, Damage::Missing}) {
    cases.push_back({Name(d), "", d});
  }
  return cases;
}

INSTANTIATE_TEST_SUITE_P(Pictures, DamagedPicturesTest, ::testing::ValuesIn(PictureCases()),
                         [](const auto& param_info) { return std::string(param_info.param.name); });

}  // namespace
}  // namespace lumora
