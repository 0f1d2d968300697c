// Unpacking a release archive into a fresh folder, refusing anything that could write or
// point outside it.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

namespace lumora::update {

struct UnpackResult {
  bool ok = false;
  std::string error;        // one sentence when not ok
  std::uint64_t bytes = 0;  // file bytes written
};

// Unpacks a tar archive (xz, zstd, gzip or none) into `dest`, which must not exist or is
// replaced. Refuses absolute paths, "..", links leaving `dest`, devices, fifos, sockets and
// more than `max_bytes` of file data; on any refusal or failure `dest` is removed.
UnpackResult Unpack(const std::filesystem::path& archive, const std::filesystem::path& dest,
                    std::uint64_t max_bytes);

// Copies into the unpacked release what belongs to the user: the old folder's Config.ini
// (over any the release holds) and every top-level entry of the old folder the release does
// not hold. Modes are kept, symbolic links stay links.
bool CarryOver(const std::filesystem::path& old_app, const std::filesystem::path& new_dir,
               std::string* error = nullptr);

}  // namespace lumora::update
