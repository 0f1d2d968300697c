#include "updater/core/minisign.h"

#include <sodium.h>

#include <cstring>
#include <vector>

namespace lumora::update {
namespace {

constexpr std::string_view kUntrustedPrefix = "untrusted comment: ";
constexpr std::string_view kTrustedPrefix = "trusted comment: ";
constexpr std::size_t kAlgBytes = 2;
constexpr std::size_t kKeyIdBytes = 8;
// minisign's own bounds on its comment lines.
constexpr std::size_t kMaxCommentBytes = 1024;
constexpr std::size_t kMaxTrustedCommentBytes = 8192;

bool SodiumReady() {
  static const bool ready = sodium_init() >= 0;
  return ready;
}

// Splits text into lines at '\n', dropping a '\r' before it.
std::vector<std::string_view> Lines(std::string_view text) {
  std::vector<std::string_view> lines;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back(line);
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 1);
  }
  return lines;
}

bool OnlyBlank(const std::vector<std::string_view>& lines, std::size_t from) {
  for (std::size_t i = from; i < lines.size(); ++i) {
    if (!lines[i].empty()) return false;
  }
  return true;
}

// Strict base64 of exactly `size` bytes, or nothing.
std::optional<std::vector<unsigned char>> Decode(std::string_view text, std::size_t size) {
  if (!SodiumReady() || text.empty()) return std::nullopt;
  std::vector<unsigned char> bytes(size + 3);
  std::size_t length = 0;
  const char* end = nullptr;
  if (sodium_base642bin(bytes.data(), bytes.size(), text.data(), text.size(), nullptr, &length,
                        &end, sodium_base64_VARIANT_ORIGINAL) != 0 ||
      end != text.data() + text.size() || length != size) {
    return std::nullopt;
  }
  bytes.resize(size);
  return bytes;
}

std::string Encode(const unsigned char* bytes, std::size_t size) {
  std::string text(sodium_base64_ENCODED_LEN(size, sodium_base64_VARIANT_ORIGINAL), '\0');
  sodium_bin2base64(text.data(), text.size(), bytes, size, sodium_base64_VARIANT_ORIGINAL);
  text.resize(std::strlen(text.c_str()));
  return text;
}

bool HasControl(std::string_view text) {
  for (const char c : text) {
    if (static_cast<unsigned char>(c) < 0x20 && c != '\t') return true;
  }
  return false;
}

// Algorithm, key derivation, checksum algorithm, salt, two limits, then key id, secret key
// and checksum (the last three encrypted when a password protects the key).
constexpr std::size_t kHead = 2 + 2 + 2 + 32 + 8 + 8;
constexpr std::size_t kSealed = kKeyIdBytes + crypto_sign_SECRETKEYBYTES + 32;

std::optional<std::vector<unsigned char>> SecretKeyBytes(std::string_view text) {
  const auto lines = Lines(text);
  std::size_t at = 0;
  if (!lines.empty() && lines[0].starts_with(kUntrustedPrefix)) at = 1;
  if (at >= lines.size() || !OnlyBlank(lines, at + 1)) return std::nullopt;
  auto bytes = Decode(lines[at], kHead + kSealed);
  if (!bytes || std::memcmp(bytes->data(), "Ed", 2) != 0 ||
      std::memcmp(bytes->data() + 4, "B2", 2) != 0) {
    return std::nullopt;
  }
  return bytes;
}

std::uint64_t LittleEndian64(const unsigned char* bytes) {
  std::uint64_t value = 0;
  for (int i = 7; i >= 0; --i) value = (value << 8) | bytes[i];
  return value;
}

// Undoes the password's scrypt stream over key id, secret key and checksum.
bool Decrypt(std::vector<unsigned char>& bytes, std::string_view password) {
  const unsigned char* salt = bytes.data() + 6;
  const std::uint64_t ops = LittleEndian64(bytes.data() + 38);
  const std::uint64_t memory = LittleEndian64(bytes.data() + 46);
  unsigned char stream[kSealed];
  if (crypto_pwhash_scryptsalsa208sha256(stream, sizeof stream, password.data(), password.size(),
                                         salt, ops, static_cast<std::size_t>(memory)) != 0) {
    return false;
  }
  for (std::size_t i = 0; i < kSealed; ++i) bytes[kHead + i] ^= stream[i];
  sodium_memzero(stream, sizeof stream);
  return true;
}

}  // namespace

bool SecretKeyIsEncrypted(std::string_view secret_key_file_text) {
  const auto bytes = SecretKeyBytes(secret_key_file_text);
  return bytes && ((*bytes)[2] != 0 || (*bytes)[3] != 0);
}

std::optional<PublicKey> ParsePublicKey(std::string_view text) {
  const auto lines = Lines(text);
  std::size_t at = 0;
  if (!lines.empty() && lines[0].starts_with(kUntrustedPrefix)) at = 1;
  if (at >= lines.size() || !OnlyBlank(lines, at + 1)) return std::nullopt;
  const auto bytes = Decode(lines[at], kAlgBytes + kKeyIdBytes + crypto_sign_PUBLICKEYBYTES);
  if (!bytes || (*bytes)[0] != 'E' || (*bytes)[1] != 'd') return std::nullopt;
  PublicKey key;
  std::memcpy(key.key_id.data(), bytes->data() + kAlgBytes, kKeyIdBytes);
  std::memcpy(key.key.data(), bytes->data() + kAlgBytes + kKeyIdBytes, key.key.size());
  return key;
}

VerifyError Verify(const PublicKey& key, std::string_view message, std::string_view minisig_text,
                   std::string* trusted_comment) {
  if (!SodiumReady()) return VerifyError::kMalformed;
  const auto lines = Lines(minisig_text);
  if (lines.size() < 4 || !OnlyBlank(lines, 4)) return VerifyError::kMalformed;
  if (!lines[0].starts_with(kUntrustedPrefix) || lines[0].size() > kMaxCommentBytes ||
      !lines[2].starts_with(kTrustedPrefix)) {
    return VerifyError::kMalformed;
  }
  const std::string_view comment = lines[2].substr(kTrustedPrefix.size());
  if (comment.size() > kMaxTrustedCommentBytes || HasControl(comment)) {
    return VerifyError::kMalformed;
  }
  const auto signature = Decode(lines[1], kAlgBytes + kKeyIdBytes + crypto_sign_BYTES);
  const auto global = Decode(lines[3], crypto_sign_BYTES);
  if (!signature || !global) return VerifyError::kMalformed;

  const unsigned char* alg = signature->data();
  const bool prehashed = alg[0] == 'E' && alg[1] == 'D';
  if (!prehashed && !(alg[0] == 'E' && alg[1] == 'd')) return VerifyError::kMalformed;
  if (std::memcmp(signature->data() + kAlgBytes, key.key_id.data(), kKeyIdBytes) != 0) {
    return VerifyError::kWrongKey;
  }
  const unsigned char* sig = signature->data() + kAlgBytes + kKeyIdBytes;

  int verified = -1;
  if (prehashed) {
    unsigned char digest[crypto_generichash_BYTES_MAX];
    crypto_generichash(digest, sizeof digest,
                       reinterpret_cast<const unsigned char*>(message.data()), message.size(),
                       nullptr, 0);
    verified = crypto_sign_verify_detached(sig, digest, sizeof digest, key.key.data());
  } else {
    verified =
        crypto_sign_verify_detached(sig, reinterpret_cast<const unsigned char*>(message.data()),
                                    message.size(), key.key.data());
  }
  if (verified != 0) return VerifyError::kBadSignature;

  std::vector<unsigned char> signed_comment(sig, sig + crypto_sign_BYTES);
  signed_comment.insert(signed_comment.end(), comment.begin(), comment.end());
  if (crypto_sign_verify_detached(global->data(), signed_comment.data(), signed_comment.size(),
                                  key.key.data()) != 0) {
    return VerifyError::kBadGlobalSignature;
  }
  if (trusted_comment) *trusted_comment = std::string(comment);
  return VerifyError::kNone;
}

std::optional<std::string> Sign(std::string_view secret_key_file_text, std::string_view message,
                                std::string_view trusted_comment, std::string* error,
                                std::string_view password) {
  auto fail = [error](const char* why) -> std::optional<std::string> {
    if (error) *error = why;
    return std::nullopt;
  };
  if (!SodiumReady()) return fail("The cryptography library could not start.");
  if (trusted_comment.size() > kMaxTrustedCommentBytes || HasControl(trusted_comment)) {
    return fail("The trusted comment is too long or holds a line break.");
  }
  auto bytes = SecretKeyBytes(secret_key_file_text);
  if (!bytes) return fail("The secret key file is not a minisign secret key.");
  const unsigned char* kdf = bytes->data() + 2;
  const bool encrypted = kdf[0] != 0 || kdf[1] != 0;
  if (encrypted && !(kdf[0] == 'S' && kdf[1] == 'c')) {
    sodium_memzero(bytes->data(), bytes->size());
    return fail("The secret key uses an unknown key derivation.");
  }
  if (encrypted && password.empty()) {
    sodium_memzero(bytes->data(), bytes->size());
    return fail("The secret key is protected by a password, and none was given.");
  }
  if (encrypted && !Decrypt(*bytes, password)) {
    sodium_memzero(bytes->data(), bytes->size());
    return fail("The password could not be applied to the secret key (out of memory?).");
  }
  const unsigned char* key_id = bytes->data() + kHead;
  const unsigned char* secret = key_id + kKeyIdBytes;
  const unsigned char* check = secret + crypto_sign_SECRETKEYBYTES;
  unsigned char computed[32];
  crypto_generichash_state state;
  crypto_generichash_init(&state, nullptr, 0, sizeof computed);
  crypto_generichash_update(&state, bytes->data(), 2);
  crypto_generichash_update(&state, key_id, kKeyIdBytes);
  crypto_generichash_update(&state, secret, crypto_sign_SECRETKEYBYTES);
  crypto_generichash_final(&state, computed, sizeof computed);
  // Keys written without a password may carry an empty (zero) checksum; the key pair's own
  // consistency is checked in every case.
  const bool unchecked = !encrypted && sodium_is_zero(check, sizeof computed) == 1;
  unsigned char public_key[crypto_sign_PUBLICKEYBYTES];
  unsigned char expanded[crypto_sign_SECRETKEYBYTES];
  crypto_sign_seed_keypair(public_key, expanded, secret);
  const bool consistent = sodium_memcmp(expanded, secret, sizeof expanded) == 0;
  sodium_memzero(expanded, sizeof expanded);
  if ((!unchecked && sodium_memcmp(computed, check, sizeof computed) != 0) || !consistent) {
    sodium_memzero(bytes->data(), bytes->size());
    return fail(encrypted ? "Wrong password for the secret key (or the key file is damaged)."
                          : "The secret key file is damaged (its checksum does not match).");
  }

  unsigned char digest[crypto_generichash_BYTES_MAX];
  crypto_generichash(digest, sizeof digest, reinterpret_cast<const unsigned char*>(message.data()),
                     message.size(), nullptr, 0);
  unsigned char signature[kAlgBytes + kKeyIdBytes + crypto_sign_BYTES];
  std::memcpy(signature, "ED", kAlgBytes);
  std::memcpy(signature + kAlgBytes, key_id, kKeyIdBytes);
  unsigned char* sig = signature + kAlgBytes + kKeyIdBytes;
  crypto_sign_detached(sig, nullptr, digest, sizeof digest, secret);

  std::vector<unsigned char> signed_comment(sig, sig + crypto_sign_BYTES);
  signed_comment.insert(signed_comment.end(), trusted_comment.begin(), trusted_comment.end());
  unsigned char global[crypto_sign_BYTES];
  crypto_sign_detached(global, nullptr, signed_comment.data(), signed_comment.size(), secret);
  sodium_memzero(bytes->data(), bytes->size());

  std::string text = "untrusted comment: signature from lumora-release\n";
  text += Encode(signature, sizeof signature) + "\n";
  text += std::string(kTrustedPrefix) + std::string(trusted_comment) + "\n";
  text += Encode(global, sizeof global) + "\n";
  return text;
}

std::string KeyIdText(const std::array<std::uint8_t, 8>& key_id) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string text;
  for (std::size_t i = key_id.size(); i-- > 0;) {
    text += kHex[key_id[i] >> 4];
    text += kHex[key_id[i] & 0xF];
  }
  return text;
}

}  // namespace lumora::update
