#include "platform/files.h"

#include <fstream>
#include <system_error>

namespace lumora {

Bytes ReadFileBytes(const std::filesystem::path& path, std::size_t limit) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) return {};
  const auto size = std::filesystem::file_size(path, ec);
  if (ec || size > limit) return {};
  std::ifstream in(path, std::ios::binary);
  if (!in) return {};
  Bytes bytes(static_cast<std::size_t>(size));
  if (size > 0 && !in.read(reinterpret_cast<char*>(bytes.data()),
                           static_cast<std::streamsize>(size))) {
    return {};
  }
  return bytes;
}

std::filesystem::path ProgramFilePath() {
  std::error_code ec;
  std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) return {};
  return self;
}

}  // namespace lumora
