// SHA-256 (libsodium) for packages: streamed, and of a whole file.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace lumora::update {

class Sha256 {
 public:
  Sha256();
  void Update(std::string_view bytes);
  // Lower-case hex; the object is finished afterwards.
  std::string HexDigest();

 private:
  alignas(64) std::array<unsigned char, 128> state_{};
};

// The hex digest of the file's bytes, or nothing when it cannot be read.
std::optional<std::string> Sha256OfFile(const std::filesystem::path& file);

}  // namespace lumora::update
