// The enciphered form in which the program stores its service and website addresses.
//
// The stored form hides the addresses from a casual look at the program file; it is not a
// secret, since the key travels with the program.
#pragma once

#include <string>
#include <string_view>

#include "platform/types.h"

namespace lumora {

// The method number of the address cipher: ChaCha20 keyed by the SHA-256 of the key text.
inline constexpr int kAddressCipherMethod = 2;

// The key text of both stored addresses.
extern const std::string_view AddressKey;

// The value of a text of hexadecimal digits, either case ("0A" and "0a" are 10). The empty
// text is 0. A text holding any other character, or too large for an int, gives -1.
int HexTextToInteger(std::string_view text);

// Method 2 runs ChaCha20 (OpenSSL) keyed by the SHA-256 of `key`'s bytes with a fixed nonce;
// the result has the input's length, and running it again restores the input. Any other
// method, and a failure of the library, gives empty bytes, so ciphertext is never taken for
// text.
Bytes DecipherText(const Bytes& data, std::string_view key, int method);
inline Bytes EncipherText(const Bytes& data, std::string_view key, int method) {
  return DecipherText(data, key, method);  // a stream cipher is its own inverse
}

// The address a stored cipher text stands for: pairs of hex digits (a last odd digit is
// ignored) deciphered with AddressKey. A pair that is not two hex digits gives the empty
// text, so a damaged constant never yields a different, half-right address.
std::string DecipherAddress(std::string_view cipher_hex);

// The stored form of `address`: upper-case hex, two digits per byte.
std::string EncipherAddress(std::string_view address);

}  // namespace lumora
