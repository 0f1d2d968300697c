#include "updater/core/release.h"

#include <archive.h>
#include <archive_entry.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <memory>
#include <nlohmann/json.hpp>
#include <vector>

#include "updater/core/layout.h"

namespace lumora::update {
namespace {

namespace fs = std::filesystem;

struct WriterDeleter {
  void operator()(archive* a) const { archive_write_free(a); }
};

bool Fail(std::string* error, std::string why) {
  if (error) *error = std::move(why);
  return false;
}

class ArchiveWriter {
 public:
  ArchiveWriter(archive* writer, const fs::path& root) : writer_(writer), root_(root) {}

  bool Add(const fs::path& file, const std::string& name, std::string* error) {
    struct stat info {};
    if (lstat(file.c_str(), &info) != 0) return Fail(error, "Could not read " + file.string());
    std::unique_ptr<archive_entry, void (*)(archive_entry*)> entry(archive_entry_new(),
                                                                   archive_entry_free);
    archive_entry_copy_stat(entry.get(), &info);
    archive_entry_set_pathname(entry.get(), name.c_str());
    // Owners mean nothing on the user's machine.
    archive_entry_set_uid(entry.get(), 0);
    archive_entry_set_gid(entry.get(), 0);
    archive_entry_set_uname(entry.get(), "");
    archive_entry_set_gname(entry.get(), "");
    archive_entry_set_nlink(entry.get(), 1);
    std::string target;
    if (S_ISLNK(info.st_mode)) {
      std::error_code ec;
      target = fs::read_symlink(file, ec).string();
      if (ec) return Fail(error, "Could not read the link " + file.string());
      archive_entry_set_symlink(entry.get(), target.c_str());
    } else if (!S_ISREG(info.st_mode) && !S_ISDIR(info.st_mode)) {
      return Fail(error, "Not a file, folder or link: " + file.string());
    }
    if (archive_write_header(writer_, entry.get()) != ARCHIVE_OK) {
      return Fail(error,
                  std::string("Could not write the archive: ") + archive_error_string(writer_));
    }
    if (S_ISREG(info.st_mode) && !CopyData(file, error)) return false;
    if (S_ISDIR(info.st_mode)) return AddChildren(file, name + "/", error);
    return true;
  }

  bool AddChildren(const fs::path& folder, const std::string& prefix, std::string* error) {
    std::vector<fs::path> children;
    std::error_code ec;
    for (const auto& item : fs::directory_iterator(folder, ec)) children.push_back(item.path());
    if (ec) return Fail(error, "Could not read " + folder.string());
    std::sort(children.begin(), children.end());  // the same folder gives the same archive
    for (const auto& child : children) {
      const std::string name = child.filename().string();
      // A release never carries the user's settings, nor the package's marker.
      if (prefix.empty() && (name == "Config.ini" || name == kPackageMarker)) continue;
      if (!Add(child, prefix + name, error)) return false;
    }
    return true;
  }

 private:
  bool CopyData(const fs::path& file, std::string* error) {
    const int fd = open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return Fail(error, "Could not read " + file.string());
    std::vector<char> buffer(1 << 16);
    ssize_t n = 0;
    bool ok = true;
    while (ok && (n = read(fd, buffer.data(), buffer.size())) > 0) {
      ok = archive_write_data(writer_, buffer.data(), static_cast<size_t>(n)) == n;
    }
    close(fd);
    if (!ok || n < 0) return Fail(error, "Could not archive " + file.string());
    return true;
  }

  archive* writer_;
  fs::path root_;
};

}  // namespace

bool WriteReleaseArchive(const fs::path& app, const fs::path& archive_file, std::string* error) {
  std::unique_ptr<archive, WriterDeleter> writer(archive_write_new());
  archive_write_add_filter_xz(writer.get());
  // Every core compresses; a libarchive without threaded xz just uses one.
  archive_write_set_filter_option(writer.get(), "xz", "threads", "0");
  archive_write_set_format_pax_restricted(writer.get());
  const fs::path temp = fs::path(archive_file).concat(".part");
  if (archive_write_open_filename(writer.get(), temp.c_str()) != ARCHIVE_OK) {
    return Fail(error, "Could not create " + archive_file.string());
  }
  ArchiveWriter adder(writer.get(), app);
  bool ok = adder.AddChildren(app, "", error);
  if (archive_write_close(writer.get()) != ARCHIVE_OK && ok) {
    ok = Fail(error, "Could not finish " + archive_file.string());
  }
  std::error_code ec;
  if (ok) fs::rename(temp, archive_file, ec);
  if (!ok || ec) {
    fs::remove(temp, ec);
    return ok ? Fail(error, "Could not write " + archive_file.string()) : false;
  }
  return true;
}

std::string ManifestJson(const Manifest& manifest) {
  nlohmann::ordered_json json;
  json["version"] = manifest.version;
  json["package"] = manifest.package;
  json["size"] = manifest.size;
  json["sha256"] = manifest.sha256;
  return json.dump(2) + "\n";
}

}  // namespace lumora::update
