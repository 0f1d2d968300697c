// Config.ini as anything a user, another program or a broken disk may leave: the input becomes
// the file, a few items are read, one is written and read back.
//
// Input: section, key and value to write (each ended by "\ "), then the file's bytes.
#include <fcntl.h>
#include <fuzzer/FuzzedDataProvider.h>
#include <unistd.h>

#include <array>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <utility>

#include "config/gbk.h"
#include "config/ini_file.h"
#include "fuzz/fuzz_support.h"

namespace {

using lumora::fuzz::Check;
namespace fs = std::filesystem;

fs::path g_dir;
fs::path g_file;

void RemoveDir() {
  std::error_code ignored;
  fs::remove_all(g_dir, ignored);
}

// Writes go through fsync; a memory file system keeps the run fast.
fs::path MakeDir() {
  std::string base = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : fs::temp_directory_path();
  std::string pattern = base + "/lumora-fuzz-ini-XXXXXX";
  if (mkdtemp(pattern.data()) == nullptr) std::abort();
  return pattern;
}

std::string ReadAll(const fs::path& path) {
  std::string bytes;
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return bytes;
  char buffer[65536];
  for (ssize_t n; (n = read(fd, buffer, sizeof buffer)) > 0;) {
    bytes.append(buffer, static_cast<std::size_t>(n));
  }
  close(fd);
  return bytes;
}

void WriteAll(const fs::path& path, std::string_view bytes) {
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) std::abort();
  while (!bytes.empty()) {
    const ssize_t n = write(fd, bytes.data(), bytes.size());
    if (n <= 0) std::abort();
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  close(fd);
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

bool SameName(std::string_view a, std::string_view b) {
  a = Trim(a);
  b = Trim(b);
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    auto fold = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
    if (fold(a[i]) != fold(b[i])) return false;
  }
  return true;
}

// What a value reads back as, by the file's documented rules: cut at the first line break,
// stored in the file's encoding, trimmed, and freed of one pair of wrapping quotes.
std::string ExpectedReadBack(std::string_view value, bool utf8_file) {
  value = value.substr(0, value.find_first_of("\r\n"));
  const std::string stored =
      utf8_file ? std::string(value) : lumora::GbkToUtf8(lumora::Utf8ToGbk(value));
  std::string trimmed(Trim(stored));
  if (trimmed.size() >= 2 && (trimmed.front() == '"' || trimmed.front() == '\'') &&
      trimmed.back() == trimmed.front()) {
    trimmed = trimmed.substr(1, trimmed.size() - 2);
  }
  return trimmed;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  g_dir = MakeDir();
  g_file = g_dir / "Config.ini";
  std::atexit(RemoveDir);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  const std::string section = input.ConsumeRandomLengthString(64);
  const std::string key = input.ConsumeRandomLengthString(64);
  const std::string value = input.ConsumeRandomLengthString(256);
  const std::string content = input.ConsumeRemainingBytesAsString();
  WriteAll(g_file, content);

  // Items the program reads, and the one about to be written.
  const std::array<std::pair<std::string_view, std::string_view>, 5> probes = {{
      {"Config", "Language"},
      {"Config", "Tray"},
      {"config", "PLAYEROPEN"},
      {"Other", "Language"},
      {section, key},
  }};
  std::array<std::string, probes.size()> before;
  for (std::size_t i = 0; i < probes.size(); ++i) {
    before[i] = lumora::ReadConfigItem(g_file, probes[i].first, probes[i].second);
    Check(lumora::fuzz::IsValidUtf8(before[i]) || content.starts_with("\xEF\xBB\xBF"),
          "a GBK file reads as UTF-8", before[i]);
  }

  if (!lumora::WriteConfigItem(g_file, section, key, value)) {
    Check(ReadAll(g_file) == content, "a refused write changed the file");
    return 0;
  }
  const std::string written = ReadAll(g_file);
  Check(!fs::exists(lumora::ConfigTempPath(g_file)), "the staging file was left behind");

  const bool utf8_file = written.starts_with("\xEF\xBB\xBF");
  Check(utf8_file == content.starts_with("\xEF\xBB\xBF"), "the file changed its encoding");
  const std::string read_back = lumora::ReadConfigItem(g_file, section, key);
  Check(read_back == ExpectedReadBack(value, utf8_file), "the written value reads back otherwise",
        read_back);

  // Every other item reads as it did: the write touched one line and added at most two.
  for (std::size_t i = 0; i + 1 < probes.size(); ++i) {
    if (SameName(probes[i].first, section) && SameName(probes[i].second, key)) continue;
    Check(lumora::ReadConfigItem(g_file, probes[i].first, probes[i].second) == before[i],
          "another item changed", probes[i].second);
  }

  // Writing the same again changes nothing.
  Check(lumora::WriteConfigItem(g_file, section, key, value), "a second identical write failed");
  Check(ReadAll(g_file) == written, "a second identical write changed the file");
  return 0;
}
