#include "updater/core/swap.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <stdio.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <vector>

#include "updater/core/durable.h"
#include "updater/core/lock.h"

namespace lumora::update {
namespace {

namespace fs = std::filesystem;
using durable::InodeOf;

bool Fail(std::string* error, std::string why) {
  if (error) *error = std::move(why);
  return false;
}

int ExchangePaths(const fs::path& a, const fs::path& b) {
  return static_cast<int>(
      syscall(SYS_renameat2, AT_FDCWD, a.c_str(), AT_FDCWD, b.c_str(), RENAME_EXCHANGE));
}

bool ForcedFallback() {
  const char* value = std::getenv(kNoExchangeVariable);
  return value != nullptr && std::strcmp(value, "1") == 0;
}

fs::path TemporaryName(const fs::path& b) {
  return b.parent_path() / ("." + b.filename().string() + ".swapping");
}

// The journal of a rename swap: both paths, the temporary name, and the inodes that were at
// `a` and `b` before, so the state after a crash is read from the disk, not guessed.
struct Journal {
  fs::path a, b, temp;
  ino_t a_inode = 0, b_inode = 0;
};

std::string JournalText(const Journal& j) {
  return "a\t" + j.a.string() + "\nb\t" + j.b.string() + "\ntemp\t" + j.temp.string() + "\nia\t" +
         std::to_string(j.a_inode) + "\nib\t" + std::to_string(j.b_inode) + "\nend\n";
}

std::optional<Journal> ReadJournal(const fs::path& file) {
  const auto text = durable::ReadSmallFile(file);
  if (!text) return std::nullopt;
  Journal j;
  bool ended = false;
  std::string_view rest = *text;
  while (!rest.empty()) {
    const std::size_t end = rest.find('\n');
    if (end == std::string_view::npos) return std::nullopt;
    const std::string_view line = rest.substr(0, end);
    rest.remove_prefix(end + 1);
    const std::size_t tab = line.find('\t');
    const std::string_view key = line.substr(0, tab);
    const std::string_view value = tab == std::string_view::npos ? "" : line.substr(tab + 1);
    auto number = [value](ino_t& out) {
      const auto [ptr, ec] = std::from_chars(value.data(), value.data() + value.size(), out);
      return ec == std::errc() && ptr == value.data() + value.size();
    };
    if (key == "a")
      j.a = std::string(value);
    else if (key == "b")
      j.b = std::string(value);
    else if (key == "temp")
      j.temp = std::string(value);
    else if (key == "ia" && !number(j.a_inode))
      return std::nullopt;
    else if (key == "ib" && !number(j.b_inode))
      return std::nullopt;
    else if (key == "end")
      ended = true;
  }
  if (!ended || j.a.empty() || j.b.empty() || j.temp.empty() || j.a_inode == 0 || j.b_inode == 0) {
    return std::nullopt;
  }
  return j;
}

void SyncParents(const Journal& j) {
  durable::SyncFolder(j.a.parent_path());
  if (j.b.parent_path() != j.a.parent_path()) durable::SyncFolder(j.b.parent_path());
}

// Runs the renames of a journaled swap from wherever the disk says it stands. `limit` stops
// after that many renames in this call (crash tests); -1 runs to the end.
bool RollForward(const Journal& j, int limit, std::string* error) {
  int done = 0;
  auto step = [&](const fs::path& from, const fs::path& to) {
    if (limit >= 0 && done >= limit) return false;
    if (rename(from.c_str(), to.c_str()) != 0) {
      return Fail(error, "Could not rename " + from.string() + ": " + std::strerror(errno));
    }
    ++done;
    SyncParents(j);
    return true;
  };
  const ino_t at_a = InodeOf(j.a), at_b = InodeOf(j.b), at_temp = InodeOf(j.temp);
  if (at_a == j.a_inode && at_b == j.b_inode && at_temp == 0) {
    if (!step(j.a, j.temp)) return false;
  }
  if (InodeOf(j.a) == 0 && InodeOf(j.temp) == j.a_inode && InodeOf(j.b) == j.b_inode) {
    if (!step(j.b, j.a)) return false;
  }
  if (InodeOf(j.a) == j.b_inode && InodeOf(j.temp) == j.a_inode && InodeOf(j.b) == 0) {
    if (!step(j.temp, j.b)) return false;
  }
  if (InodeOf(j.a) == j.b_inode && InodeOf(j.b) == j.a_inode) return true;
  if (limit >= 0 && done >= limit) return false;
  return Fail(error, "The folders are not where the swap journal says: " + j.a.string());
}

bool SwapByRenames(const fs::path& a, const fs::path& b, const fs::path& journal_file, int limit,
                   std::string* error) {
  if (fs::exists(fs::symlink_status(journal_file))) {
    return Fail(error, "An earlier swap is unfinished: " + journal_file.string());
  }
  Journal j{a, b, TemporaryName(b), InodeOf(a), InodeOf(b)};
  if (j.a_inode == 0 || j.b_inode == 0) return Fail(error, "A folder to swap is missing.");
  std::error_code ignored;
  fs::remove_all(j.temp, ignored);  // no journal: nobody needs a leftover of that name
  if (!durable::WriteFileAtomically(journal_file, JournalText(j))) {
    return Fail(error, "Could not write the swap journal " + journal_file.string());
  }
  if (!RollForward(j, limit, error)) {
    if (limit >= 0) return true;  // stopped on purpose, journal kept
    // A rename failed: put back what moved, so both paths hold their own folders again.
    if (InodeOf(j.a) == 0 && InodeOf(j.temp) == j.a_inode) rename(j.temp.c_str(), j.a.c_str());
    if (InodeOf(j.a) == j.a_inode && InodeOf(j.b) == j.b_inode) durable::RemoveFile(journal_file);
    return false;
  }
  if (limit >= 0) return true;  // a crash before the journal goes
  durable::RemoveFile(journal_file);
  return true;
}

// Whether process `pid` lives with the folder of inode `folder` as its working folder (the
// client is started there).
bool ClientRunsIn(pid_t pid, ino_t folder) {
  if (pid <= 0) return false;
  struct stat info {};
  const std::string cwd = "/proc/" + std::to_string(pid) + "/cwd";
  return stat(cwd.c_str(), &info) == 0 && info.st_ino == folder;
}

bool RemoveTree(const fs::path& path) {
  std::error_code error;
  fs::remove_all(path, error);
  return !error;
}

}  // namespace

bool SwapFolders(const fs::path& a, const fs::path& b, const fs::path& journal,
                 std::string* error) {
  if (!ForcedFallback()) {
    if (ExchangePaths(a, b) == 0) {
      durable::SyncFolder(a.parent_path());
      if (b.parent_path() != a.parent_path()) durable::SyncFolder(b.parent_path());
      return true;
    }
    if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP) {
      return Fail(error, "Could not exchange " + a.string() + " and " + b.string() + ": " +
                             std::strerror(errno));
    }
  }
  return SwapByRenames(a, b, journal, -1, error);
}

bool Recover(const Layout& layout, bool* app_changed) {
  const ino_t app_before = InodeOf(layout.app);
  if (app_changed) *app_changed = false;
  bool ok = true;
  if (fs::exists(fs::symlink_status(layout.journal))) {
    if (const auto j = ReadJournal(layout.journal)) {
      ok = RollForward(*j, -1, nullptr);
      if (ok) durable::RemoveFile(layout.journal);
    } else {
      // Written to a temporary name and renamed whole, so an unreadable journal was never
      // acted on.
      durable::RemoveFile(layout.journal);
    }
  }
  if (!ok) return false;

  // A build swapped in but never confirmed gives way to the build it replaced, unless its
  // client is running there now: its folder is not pulled away under it.
  if (const auto pending = durable::ReadSmallFile(layout.pending)) {
    ino_t new_inode = 0;
    pid_t client = 0;
    const char* end = pending->data() + pending->size();
    const auto first = std::from_chars(pending->data(), end, new_inode);
    if (first.ptr < end && *first.ptr == '\n') std::from_chars(first.ptr + 1, end, client);
    if (new_inode != 0 && InodeOf(layout.app) == new_inode && !ClientRunsIn(client, new_inode)) {
      const fs::path old_build = InodeOf(layout.old_copy) != 0 ? layout.old_copy : layout.new_dir;
      if (InodeOf(old_build) != 0 && !SwapFolders(layout.app, old_build, layout.journal)) {
        return false;
      }
    }
  }
  // Small files written through a temporary name leave it behind when killed mid-write.
  durable::RemoveFile(fs::path(layout.journal).concat(".tmp"));
  durable::RemoveFile(fs::path(layout.pending).concat(".tmp"));
  ok = RemoveTree(layout.new_dir) && ok;
  ok = RemoveTree(layout.old_copy) && ok;
  if (ok) durable::RemoveFile(layout.pending);
  durable::SyncFolder(layout.staging);
  if (app_changed) *app_changed = InodeOf(layout.app) != app_before;
  return ok;
}

bool RecoverUnlessBusy(const Layout& layout, bool* app_changed) {
  if (app_changed) *app_changed = false;
  std::error_code error;
  if (!fs::exists(layout.staging, error)) return true;
  auto lock = UpdateLock::TryTake(layout.lock);
  if (!lock) return true;  // an update runs and mends its own state
  return Recover(layout, app_changed);
}

namespace testing {

bool SwapByRenamesInterrupted(const fs::path& a, const fs::path& b, const fs::path& journal,
                              int renames) {
  return SwapByRenames(a, b, journal, renames, nullptr);
}

}  // namespace testing
}  // namespace lumora::update
