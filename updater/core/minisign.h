// The two small text formats of minisign (public key, signature) read by hand, with the
// cryptography from libsodium: Ed25519 over the message ("Ed", legacy) or over its
// BLAKE2b-512 digest ("ED", prehashed), and the global signature over the signature and the
// trusted comment.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace lumora::update {

struct PublicKey {
  std::array<std::uint8_t, 8> key_id{};
  std::array<std::uint8_t, 32> key{};
};

// The .pub file's text: an optional "untrusted comment:" line and the base64 key line, or
// the key line alone. Nothing else may follow but blank lines.
std::optional<PublicKey> ParsePublicKey(std::string_view text);

enum class VerifyError {
  kNone,                // signature and trusted comment are genuine
  kMalformed,           // not a signature file (lines, prefixes, base64, sizes, algorithm)
  kWrongKey,            // made with another key (the key ids differ)
  kBadSignature,        // the message is not what was signed
  kBadGlobalSignature,  // the trusted comment is not what was signed
};

// Checks `minisig_text` (the .minisig file) over `message`. On kNone, `trusted_comment`
// (when given) receives the trusted comment's text.
VerifyError Verify(const PublicKey& key, std::string_view message, std::string_view minisig_text,
                   std::string* trusted_comment = nullptr);

// A prehashed ("ED") .minisig text for `message`, made with the secret key in
// `secret_key_file_text`: unencrypted (as `minisign -G -W` writes it), or protected by
// `password` (scrypt, as `minisign -G` writes it). On failure returns nothing and says why in
// `error`.
std::optional<std::string> Sign(std::string_view secret_key_file_text, std::string_view message,
                                std::string_view trusted_comment, std::string* error,
                                std::string_view password = {});

// Whether the secret key file needs a password.
bool SecretKeyIsEncrypted(std::string_view secret_key_file_text);

// The key id as minisign prints it: 16 upper-case hex digits of the little-endian number.
std::string KeyIdText(const std::array<std::uint8_t, 8>& key_id);

}  // namespace lumora::update
