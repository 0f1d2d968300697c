#include "config/ini_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <optional>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "config/gbk.h"

namespace lumora {
namespace {

constexpr std::string_view kBom = "\xEF\xBB\xBF";

enum class Encoding { kGbk, kUtf8 };

class UniqueFd {
 public:
  explicit UniqueFd(int fd = -1) : fd_(fd) {}
  ~UniqueFd() { Close(); }
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;

  int get() const { return fd_; }
  bool valid() const { return fd_ >= 0; }
  // Closes now and reports whether the kernel accepted the close (late write errors show here).
  bool Close() {
    const int fd = std::exchange(fd_, -1);
    return fd < 0 || close(fd) == 0;
  }

 private:
  int fd_;
};

// ---------------------------------------------------------------------------------------------
// Reading and writing whole files.

struct FileContent {
  std::string bytes;
  struct stat info {};
};

enum class LoadStatus { kOk, kMissing, kFailed };

// Reads a regular file of at most kMaxConfigFileSize bytes. Anything else (a directory, a
// device, a pipe that would block, a file too big) fails.
LoadStatus LoadFile(int dir_fd, const char* name, int extra_flags, FileContent& content) {
  // O_NONBLOCK keeps a FIFO planted at the path from hanging the program.
  UniqueFd fd(openat(dir_fd, name, O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK | extra_flags));
  if (!fd.valid()) return errno == ENOENT ? LoadStatus::kMissing : LoadStatus::kFailed;
  if (fstat(fd.get(), &content.info) != 0 || !S_ISREG(content.info.st_mode) ||
      static_cast<std::uintmax_t>(content.info.st_size) > kMaxConfigFileSize) {
    return LoadStatus::kFailed;
  }
  content.bytes.clear();
  char buffer[65536];
  for (;;) {
    const ssize_t n = read(fd.get(), buffer, sizeof buffer);
    if (n < 0) {
      if (errno == EINTR) continue;
      return LoadStatus::kFailed;
    }
    if (n == 0) break;
    content.bytes.append(buffer, static_cast<std::size_t>(n));
    // The size may have grown since fstat; the cap holds for what is actually read.
    if (content.bytes.size() > kMaxConfigFileSize) return LoadStatus::kFailed;
  }
  return LoadStatus::kOk;
}

bool WriteAll(int fd, std::string_view data) {
  while (!data.empty()) {
    const ssize_t n = write(fd, data.data(), data.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

// Replaces `name` in the directory with `bytes`: a temporary file beside it is written and
// synced, then renamed over it, so readers and a crash see either the old or the new file.
bool ReplaceFile(int dir_fd, const std::string& name, std::string_view bytes,
                 const struct stat* original) {
  const std::string temp_name = ConfigTempPath(name).string();
  // A temporary file left by a crashed writer; we hold the lock, so nobody else is using it.
  unlinkat(dir_fd, temp_name.c_str(), 0);
  UniqueFd fd(openat(dir_fd, temp_name.c_str(),
                     O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666));
  if (!fd.valid()) return false;

  bool ok = WriteAll(fd.get(), bytes);
  if (ok && original != nullptr) {
    ok = fchmod(fd.get(), original->st_mode & 07777) == 0;
    struct stat created {};
    if (ok && fstat(fd.get(), &created) == 0 &&
        (created.st_uid != original->st_uid || created.st_gid != original->st_gid)) {
      // Keeps a user's file theirs when an administrator edits it; without the privilege this
      // fails harmlessly and the file belongs to the writer, as any new file would.
      if (fchown(fd.get(), original->st_uid, original->st_gid) != 0) {
        // Not fatal: see above.
      }
    }
  }
  ok = ok && fsync(fd.get()) == 0;
  ok = fd.Close() && ok;
  ok = ok && renameat(dir_fd, temp_name.c_str(), dir_fd, name.c_str()) == 0;
  if (!ok) {
    unlinkat(dir_fd, temp_name.c_str(), 0);
    return false;
  }
  // Makes the rename itself durable. Some file systems cannot sync a directory; the rename
  // has happened regardless, so only a real I/O error counts as failure.
  if (fsync(dir_fd) != 0 && errno != EINVAL && errno != EROFS) return false;
  return true;
}

// Serialises writers across processes for the whole read-modify-write. The lock sits on the
// directory, so no lock file is left next to the user's settings; it goes with the descriptor.
void LockDirectory(int dir_fd) {
  while (flock(dir_fd, LOCK_EX) != 0) {
    // File systems without flock on directories still get atomic replacement, only not
    // protection from a concurrent writer.
    if (errno != EINTR) return;
  }
}

// ---------------------------------------------------------------------------------------------
// Parsing.

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

char FoldAscii(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Compares UTF-8 names; bytes of multi-byte characters are never in the ASCII range, so
// folding ASCII letters cannot make two different characters equal.
bool NamesEqual(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (FoldAscii(a[i]) != FoldAscii(b[i])) return false;
  }
  return true;
}

struct Line {
  std::string_view text;  // without its line break
  std::string_view eol;   // "\r\n", "\n", "\r" or "" for a last line without one
};

std::vector<Line> SplitLines(std::string_view body) {
  std::vector<Line> lines;
  std::size_t start = 0;
  while (start < body.size()) {
    const std::size_t end = body.find_first_of("\r\n", start);
    if (end == std::string_view::npos) {
      lines.push_back({body.substr(start), {}});
      break;
    }
    const std::size_t eol_size =
        body[end] == '\r' && end + 1 < body.size() && body[end + 1] == '\n' ? 2 : 1;
    lines.push_back({body.substr(start, end - start), body.substr(end, eol_size)});
    start = end + eol_size;
  }
  return lines;
}

struct ParsedLine {
  enum class Kind { kOther, kSection, kKey } kind = Kind::kOther;
  std::string name;   // UTF-8, trimmed
  std::string value;  // UTF-8, trimmed; keys only
};

std::string Decode(std::string_view raw, Encoding encoding) {
  return encoding == Encoding::kGbk ? GbkToUtf8(raw) : std::string(raw);
}

std::string Encode(std::string_view utf8, Encoding encoding) {
  return encoding == Encoding::kGbk ? Utf8ToGbk(utf8) : std::string(utf8);
}

// Decodes before looking for '[', ']' or '=': in GBK the second byte of a character may be ']'
// or '[', so the raw bytes cannot be searched for them.
ParsedLine ParseLine(std::string_view raw, Encoding encoding) {
  ParsedLine parsed;
  const std::string decoded = Decode(raw, encoding);
  const std::string_view line = Trim(decoded);
  if (line.empty() || line.front() == ';' || line.front() == '#') return parsed;
  if (line.front() == '[') {
    const std::size_t close = line.find(']');
    if (close != std::string_view::npos) {
      parsed.kind = ParsedLine::Kind::kSection;
      parsed.name = Trim(line.substr(1, close - 1));
    }
    return parsed;
  }
  const std::size_t equals = line.find('=');
  if (equals == std::string_view::npos) return parsed;
  const std::string_view name = Trim(line.substr(0, equals));
  if (name.empty()) return parsed;
  parsed.kind = ParsedLine::Kind::kKey;
  parsed.name = name;
  parsed.value = Trim(line.substr(equals + 1));
  return parsed;
}

std::string StripQuotes(std::string value) {
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front()) {
    return value.substr(1, value.size() - 2);
  }
  return value;
}

// A parsed file: the body's lines, which still point into the bytes read.
struct Document {
  bool has_bom = false;
  Encoding encoding = Encoding::kGbk;
  std::vector<Line> lines;
};

Document ParseDocument(std::string_view bytes) {
  Document doc;
  if (bytes.substr(0, kBom.size()) == kBom) {
    doc.has_bom = true;
    doc.encoding = Encoding::kUtf8;
    bytes.remove_prefix(kBom.size());
  }
  doc.lines = SplitLines(bytes);
  return doc;
}

// Where an item is, or would go, in a document.
struct Location {
  std::optional<std::size_t> section;  // line of the first matching section header
  std::size_t section_end = 0;         // first line after that section
  std::optional<std::size_t> key;      // line of the first matching key in it
  std::string key_value;               // its value, when found
};

Location Find(const Document& doc, std::string_view section, std::string_view key) {
  Location at;
  for (std::size_t i = 0; i < doc.lines.size(); ++i) {
    ParsedLine parsed = ParseLine(doc.lines[i].text, doc.encoding);
    if (parsed.kind == ParsedLine::Kind::kSection) {
      if (at.section) {
        at.section_end = i;
        return at;
      }
      if (NamesEqual(parsed.name, section)) at.section = i;
    } else if (parsed.kind == ParsedLine::Kind::kKey && at.section && !at.key &&
               NamesEqual(parsed.name, key)) {
      at.key = i;
      at.key_value = std::move(parsed.value);
    }
  }
  at.section_end = doc.lines.size();
  return at;
}

// ---------------------------------------------------------------------------------------------
// Editing.

bool HasLineBreak(std::string_view s) {
  return s.find_first_of("\r\n") != std::string_view::npos;
}

// Names refused here could not be read back as the same item.
bool ValidNames(std::string_view section, std::string_view key) {
  if (key.empty() || HasLineBreak(key) || key.find('=') != std::string_view::npos ||
      key.front() == '[' || key.front() == ';' || key.front() == '#') {
    return false;
  }
  return !section.empty() && !HasLineBreak(section) && section.find(']') == std::string_view::npos;
}

// Whether a name survives the file's encoding unchanged; otherwise two different names
// could end up as the same "?"-spelled name on disk.
bool Representable(std::string_view name, Encoding encoding) {
  return Decode(Encode(name, encoding), encoding) == name;
}

std::string_view LineEnding(const Document& doc) {
  return doc.lines.empty() || doc.lines.front().eol.empty() ? "\n" : doc.lines.front().eol;
}

// The whole new file content, or nothing when the item cannot be written.
std::optional<std::string> Edit(std::string_view bytes, std::string_view section,
                                std::string_view key, std::string_view value) {
  const Document doc = ParseDocument(bytes);
  if (!Representable(section, doc.encoding) || !Representable(key, doc.encoding)) {
    return std::nullopt;
  }
  const Location at = Find(doc, section, key);
  const std::string_view eol = LineEnding(doc);
  const std::string encoded_value = Encode(value, doc.encoding);
  const std::string new_key_line = Encode(key, doc.encoding) + "=" + encoded_value;

  // A new key goes after the section's last non-blank line, ahead of the blank lines that
  // separate it from what follows.
  std::optional<std::size_t> insert_after;
  if (at.section && !at.key) {
    insert_after = *at.section;
    for (std::size_t i = *at.section + 1; i < at.section_end; ++i) {
      if (!Trim(doc.lines[i].text).empty()) insert_after = i;
    }
  }

  std::string out;
  out.reserve(bytes.size() + new_key_line.size() + section.size() + 8);
  if (doc.has_bom) out += kBom;
  for (std::size_t i = 0; i < doc.lines.size(); ++i) {
    const Line& line = doc.lines[i];
    if (at.key == i) {
      // Keep the key as the file spells it; '=' never occurs inside a GBK character.
      out += Trim(line.text.substr(0, line.text.find('=')));
      out += '=';
      out += encoded_value;
    } else {
      out += line.text;
    }
    if (insert_after == i) {
      // The new line takes over the anchor's line break, so a file that ended without one
      // still does.
      out += eol;
      out += new_key_line;
    }
    out += line.eol;
  }

  if (!at.section) {
    if (!doc.lines.empty() && doc.lines.back().eol.empty()) out += eol;
    out += "[";
    out += Encode(section, doc.encoding);
    out += "]";
    out += eol;
    out += new_key_line;
    out += eol;
  }
  return out;
}

}  // namespace

std::filesystem::path ConfigTempPath(const std::filesystem::path& file) {
  std::string name = ".";
  name += file.filename().string();
  name += ".tmp";
  return file.parent_path() / name;
}

std::string ReadConfigItem(const std::filesystem::path& file, std::string_view section,
                           std::string_view key) {
  FileContent content;
  if (LoadFile(AT_FDCWD, file.c_str(), 0, content) != LoadStatus::kOk) return {};
  const Document doc = ParseDocument(content.bytes);
  const Location at = Find(doc, Trim(section), Trim(key));
  return at.key ? StripQuotes(at.key_value) : std::string();
}

bool WriteConfigItem(const std::filesystem::path& file, std::string_view section,
                     std::string_view key, std::string_view value) {
  section = Trim(section);
  key = Trim(key);
  if (!ValidNames(section, key)) return false;
  value = value.substr(0, value.find_first_of("\r\n"));

  // Replace the file a symbolic link points to, not the link.
  std::filesystem::path target = file;
  std::error_code error;
  if (std::filesystem::is_symlink(file, error)) {
    target = std::filesystem::weakly_canonical(file, error);
    if (error) return false;
  }
  const std::string name = target.filename().string();
  if (name.empty() || name == "." || name == "..") return false;
  const std::filesystem::path dir = target.has_parent_path() ? target.parent_path() : ".";

  UniqueFd dir_fd(open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!dir_fd.valid()) return false;
  LockDirectory(dir_fd.get());

  FileContent current;
  // O_NOFOLLOW: the writer must see exactly the file it is about to replace.
  const LoadStatus status = LoadFile(dir_fd.get(), name.c_str(), O_NOFOLLOW, current);
  if (status == LoadStatus::kFailed) return false;
  // Replacing goes through the directory, which would bypass a file marked read-only.
  if (status == LoadStatus::kOk && faccessat(dir_fd.get(), name.c_str(), W_OK, AT_EACCESS) != 0) {
    return false;
  }

  const std::optional<std::string> updated = Edit(current.bytes, section, key, value);
  if (!updated || updated->size() > kMaxConfigFileSize) return false;
  if (status == LoadStatus::kOk && *updated == current.bytes) return true;
  return ReplaceFile(dir_fd.get(), name, *updated,
                     status == LoadStatus::kOk ? &current.info : nullptr);
}

}  // namespace lumora
