#include "updater/core/digest.h"

#include <fcntl.h>
#include <sodium.h>
#include <unistd.h>

#include <cstring>

namespace lumora::update {
namespace {

static_assert(sizeof(crypto_hash_sha256_state) <= 128, "room for the hash state");

crypto_hash_sha256_state* State(std::array<unsigned char, 128>& storage) {
  return reinterpret_cast<crypto_hash_sha256_state*>(storage.data());
}

}  // namespace

Sha256::Sha256() {
  if (sodium_init() < 0) return;  // sha256 needs no random source; it works regardless
  crypto_hash_sha256_init(State(state_));
}

void Sha256::Update(std::string_view bytes) {
  crypto_hash_sha256_update(State(state_), reinterpret_cast<const unsigned char*>(bytes.data()),
                            bytes.size());
}

std::string Sha256::HexDigest() {
  unsigned char digest[crypto_hash_sha256_BYTES];
  crypto_hash_sha256_final(State(state_), digest);
  char hex[2 * sizeof digest + 1];
  sodium_bin2hex(hex, sizeof hex, digest, sizeof digest);
  return hex;
}

std::optional<std::string> Sha256OfFile(const std::filesystem::path& file) {
  const int fd = open(file.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  Sha256 hash;
  std::string buffer(1 << 16, '\0');
  ssize_t n = 0;
  while ((n = read(fd, buffer.data(), buffer.size())) > 0) {
    hash.Update(std::string_view(buffer.data(), static_cast<std::size_t>(n)));
  }
  close(fd);
  if (n < 0) return std::nullopt;
  return hash.HexDigest();
}

}  // namespace lumora::update
