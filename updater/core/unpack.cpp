#include "updater/core/unpack.h"

#include <archive.h>
#include <archive_entry.h>

#include <memory>
#include <optional>
#include <vector>

namespace lumora::update {
namespace {

namespace fs = std::filesystem;

// A release of a desktop client has a few thousand files; far more is an attack on inodes.
constexpr std::uint64_t kMaxEntries = 200000;

struct ReaderDeleter {
  void operator()(archive* a) const { archive_read_free(a); }
};
struct WriterDeleter {
  void operator()(archive* a) const { archive_write_free(a); }
};

// The entry's path split into names, "." names and a leading "./" dropped; nothing when it
// is absolute, holds "..", or names nothing.
std::optional<std::vector<std::string>> SafeNames(const char* path) {
  if (path == nullptr || *path == '\0' || *path == '/') return std::nullopt;
  std::vector<std::string> names;
  std::string_view rest(path);
  while (!rest.empty()) {
    const std::size_t end = rest.find('/');
    const std::string_view name = rest.substr(0, end);
    if (name == "..") return std::nullopt;
    if (!name.empty() && name != ".") names.emplace_back(name);
    if (end == std::string_view::npos) break;
    rest.remove_prefix(end + 1);
  }
  return names;
}

std::string Join(const std::vector<std::string>& names) {
  std::string path;
  for (const auto& name : names) {
    if (!path.empty()) path += '/';
    path += name;
  }
  return path;
}

// A symbolic link stays inside when its target is relative, climbs with leading ".." names no
// higher than the folder's top, and never climbs after descending: every link then resolves
// inside, even through other links, since each is checked from where it lies.
bool LinkStaysInside(std::size_t link_depth, const char* target) {
  if (target == nullptr || *target == '\0' || *target == '/') return false;
  std::size_t climbs = 0;
  bool descended = false;
  std::string_view rest(target);
  while (!rest.empty()) {
    const std::size_t end = rest.find('/');
    const std::string_view name = rest.substr(0, end);
    if (name == "..") {
      if (descended) return false;
      ++climbs;
    } else if (!name.empty() && name != ".") {
      descended = true;
    }
    if (end == std::string_view::npos) break;
    rest.remove_prefix(end + 1);
  }
  return climbs <= link_depth;
}

class Unpacker {
 public:
  Unpacker(const fs::path& dest, std::uint64_t max_bytes) : dest_(dest), max_bytes_(max_bytes) {}

  UnpackResult Run(const fs::path& archive_file) {
    std::error_code ec;
    fs::remove_all(dest_, ec);
    if (!fs::create_directories(dest_, ec)) return Refuse("Could not create the unpack folder.");
    // libarchive checks every name of the path for links, the prefix too.
    root_ = fs::canonical(dest_, ec);
    if (ec) return Refuse("Could not create the unpack folder.");

    std::unique_ptr<archive, ReaderDeleter> reader(archive_read_new());
    std::unique_ptr<archive, WriterDeleter> writer(archive_write_disk_new());
    archive_read_support_filter_all(reader.get());
    archive_read_support_format_tar(reader.get());
    // Names reach the writer already joined to the absolute unpack folder, so the
    // no-absolute-paths flag cannot be used; absolute entry names are refused above it.
    archive_write_disk_set_options(writer.get(), ARCHIVE_EXTRACT_TIME | ARCHIVE_EXTRACT_PERM |
                                                     ARCHIVE_EXTRACT_SECURE_SYMLINKS |
                                                     ARCHIVE_EXTRACT_SECURE_NODOTDOT);
    if (archive_read_open_filename(reader.get(), archive_file.c_str(), 1 << 16) != ARCHIVE_OK) {
      return Refuse("The package is not a readable archive.");
    }
    archive_entry* entry = nullptr;
    std::uint64_t entries = 0;
    int status = ARCHIVE_OK;
    while ((status = archive_read_next_header(reader.get(), &entry)) == ARCHIVE_OK) {
      if (++entries > kMaxEntries) return Refuse("The package holds too many files.");
      if (auto refusal = Entry(reader.get(), writer.get(), entry)) return Refuse(*refusal);
    }
    if (status != ARCHIVE_EOF) return Refuse("The package is damaged.");
    if (archive_write_close(writer.get()) != ARCHIVE_OK) {
      return Refuse("Could not finish writing the unpacked files.");
    }
    return UnpackResult{true, {}, bytes_};
  }

 private:
  UnpackResult Refuse(std::string why) {
    std::error_code ignored;
    fs::remove_all(dest_, ignored);
    return UnpackResult{false, std::move(why), bytes_};
  }

  std::optional<std::string> Entry(archive* reader, archive* writer, archive_entry* entry) {
    const auto names = SafeNames(archive_entry_pathname(entry));
    if (!names) return "The package holds a path that leaves its folder.";
    if (names->empty()) return std::nullopt;  // the top folder itself
    const std::string relative = Join(*names);
    const fs::path target = root_ / relative;

    if (const char* hardlink = archive_entry_hardlink(entry)) {
      const auto link_names = SafeNames(hardlink);
      if (!link_names || link_names->empty()) {
        return "The package holds a link that leaves its folder.";
      }
      // Only to a file already unpacked: a hard link to a symbolic link would move that
      // link's target to another depth.
      const fs::path linked = root_ / Join(*link_names);
      std::error_code ec;
      if (!fs::is_regular_file(fs::symlink_status(linked, ec))) {
        return "The package holds a link that leaves its folder.";
      }
      archive_entry_set_hardlink(entry, linked.c_str());
    } else {
      switch (archive_entry_filetype(entry)) {
        case AE_IFREG:
        case AE_IFDIR:
          break;
        case AE_IFLNK:
          if (!LinkStaysInside(names->size() - 1, archive_entry_symlink(entry))) {
            return "The package holds a link that leaves its folder.";
          }
          break;
        default:
          return "The package holds a device, pipe or socket.";
      }
    }
    const la_int64_t declared = archive_entry_size_is_set(entry) ? archive_entry_size(entry) : 0;
    if (declared < 0 || static_cast<std::uint64_t>(declared) > max_bytes_ - bytes_) {
      return "The package unpacks to more than its size allows.";
    }
    archive_entry_set_pathname(entry, target.c_str());
    archive_entry_set_perm(entry, archive_entry_perm(entry) & 0777);  // no set-id bits
    if (archive_write_header(writer, entry) != ARCHIVE_OK) {
      return std::string("Could not unpack ") + relative + ": " + archive_error_string(writer);
    }
    const void* block = nullptr;
    size_t size = 0;
    la_int64_t offset = 0;
    int status = ARCHIVE_OK;
    while ((status = archive_read_data_block(reader, &block, &size, &offset)) == ARCHIVE_OK) {
      if (size > max_bytes_ - bytes_) return "The package unpacks to more than its size allows.";
      bytes_ += size;
      if (archive_write_data_block(writer, block, size, offset) != ARCHIVE_OK) {
        return std::string("Could not write ") + relative + ": " + archive_error_string(writer);
      }
    }
    if (status != ARCHIVE_EOF) return "The package is damaged.";
    if (archive_write_finish_entry(writer) != ARCHIVE_OK) {
      return std::string("Could not write ") + relative + ": " + archive_error_string(writer);
    }
    return std::nullopt;
  }

  fs::path dest_;
  fs::path root_;
  std::uint64_t max_bytes_;
  std::uint64_t bytes_ = 0;
};

}  // namespace

UnpackResult Unpack(const fs::path& archive_file, const fs::path& dest, std::uint64_t max_bytes) {
  return Unpacker(dest, max_bytes).Run(archive_file);
}

bool CarryOver(const fs::path& old_app, const fs::path& new_dir, std::string* error) {
  auto fail = [error](const std::string& why) {
    if (error) *error = why;
    return false;
  };
  std::error_code ec;
  fs::directory_iterator it(old_app, ec);
  if (ec) return fail("Could not read the app folder: " + ec.message());
  for (const fs::directory_entry& item : it) {
    const fs::path name = item.path().filename();
    const fs::path to = new_dir / name;
    const bool user_settings = name == "Config.ini";
    const bool release_has = fs::exists(fs::symlink_status(to, ec));
    if (release_has && !user_settings) continue;
    if (release_has) fs::remove_all(to, ec);
    fs::copy(item.path(), to, fs::copy_options::recursive | fs::copy_options::copy_symlinks, ec);
    if (ec) return fail("Could not carry over " + name.string() + ": " + ec.message());
  }
  return true;
}

}  // namespace lumora::update
