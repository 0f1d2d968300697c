// Shared pieces of the updater's tests: scratch folders, files, running a program without a
// shell, and tar archives written with libarchive so hostile entries can be made at will.
#pragma once

#include <archive.h>
#include <archive_entry.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace lumora::update::test {

namespace fs = std::filesystem;

class ScratchDir {
 public:
  ScratchDir() {
    std::string pattern = (fs::temp_directory_path() / "lumora-updater-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) std::abort();
    path_ = pattern;
  }
  ~ScratchDir() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
  }
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;
  const fs::path& path() const { return path_; }
  fs::path operator/(const std::string& name) const { return path_ / name; }

 private:
  fs::path path_;
};

inline void WriteFile(const fs::path& file, const std::string& text, mode_t mode = 0644) {
  fs::create_directories(file.parent_path());
  {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << text;
  }
  chmod(file.c_str(), mode);
}

inline std::string ReadFile(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

inline mode_t ModeOf(const fs::path& file) {
  struct stat info {};
  lstat(file.c_str(), &info);
  return info.st_mode & 07777;
}

// Runs a program (searched in PATH) with its output to /dev/null and `input` as its standard
// input; its exit status, or -1.
inline int RunProgram(const std::vector<std::string>& argv, const std::string& input = {}) {
  int feed[2];
  if (pipe(feed) != 0) return -1;
  const pid_t pid = fork();
  if (pid == 0) {
    const int null = open("/dev/null", O_RDWR);
    dup2(feed[0], STDIN_FILENO);
    close(feed[0]);
    close(feed[1]);
    dup2(null, STDOUT_FILENO);
    dup2(null, STDERR_FILENO);
    std::vector<char*> args;
    for (const auto& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    execvp(args[0], args.data());
    _exit(127);
  }
  close(feed[0]);
  // Small inputs fit the pipe's buffer, so writing before waiting cannot block.
  if (pid > 0 && !input.empty()) {
    [[maybe_unused]] const ssize_t written = write(feed[1], input.data(), input.size());
  }
  close(feed[1]);
  int status = 0;
  if (pid < 0 || waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

// Entries for a test archive.
struct Member {
  enum Kind { kFile, kDir, kSymlink, kHardlink, kCharDevice, kFifo } kind = kFile;
  std::string path;
  std::string data;  // file contents, or the link target
  mode_t mode = 0644;
  la_int64_t declared_size = -1;  // a size header other than the data's, for lying archives
};

// Writes a tar archive (with the given libarchive filter, e.g. ARCHIVE_FILTER_XZ).
inline void WriteArchive(const fs::path& file, const std::vector<Member>& members,
                         int filter = ARCHIVE_FILTER_NONE) {
  archive* writer = archive_write_new();
  archive_write_add_filter(writer, filter);
  archive_write_set_format_pax_restricted(writer);
  ASSERT_EQ(archive_write_open_filename(writer, file.c_str()), ARCHIVE_OK);
  for (const Member& m : members) {
    archive_entry* entry = archive_entry_new();
    archive_entry_set_pathname(entry, m.path.c_str());
    archive_entry_set_perm(entry, m.mode);
    std::string data;
    switch (m.kind) {
      case Member::kFile:
        archive_entry_set_filetype(entry, AE_IFREG);
        data = m.data;
        break;
      case Member::kDir:
        archive_entry_set_filetype(entry, AE_IFDIR);
        break;
      case Member::kSymlink:
        archive_entry_set_filetype(entry, AE_IFLNK);
        archive_entry_set_symlink(entry, m.data.c_str());
        break;
      case Member::kHardlink:
        archive_entry_set_filetype(entry, AE_IFREG);
        archive_entry_set_hardlink(entry, m.data.c_str());
        break;
      case Member::kCharDevice:
        archive_entry_set_filetype(entry, AE_IFCHR);
        archive_entry_set_rdev(entry, makedev(1, 3));
        break;
      case Member::kFifo:
        archive_entry_set_filetype(entry, AE_IFIFO);
        break;
    }
    archive_entry_set_size(
        entry, m.declared_size >= 0 ? m.declared_size : static_cast<la_int64_t>(data.size()));
    ASSERT_EQ(archive_write_header(writer, entry), ARCHIVE_OK) << m.path;
    if (!data.empty()) archive_write_data(writer, data.data(), data.size());
    archive_entry_free(entry);
  }
  archive_write_close(writer);
  archive_write_free(writer);
}

// Every path under `root`, relative, sorted: what a folder holds.
inline std::vector<std::string> Listing(const fs::path& root) {
  std::vector<std::string> names;
  std::error_code ec;
  for (auto it = fs::recursive_directory_iterator(root, ec);
       it != fs::recursive_directory_iterator(); ++it) {
    names.push_back(it->path().lexically_relative(root).string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace lumora::update::test
