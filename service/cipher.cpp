#include "service/cipher.h"

#include <openssl/evp.h>
#include <openssl/sha.h>

#include <array>
#include <climits>
#include <memory>

namespace lumora {

// Any change here changes every stored address: the build enciphers them again with this text.
// clang-format off
const std::string_view AddressKey =
    "Lumora/keyring-7: lanterns on the river, frames without borders; 灯在河上，窗无边框。"
    "The player opens when the link is clicked, the tray keeps the light when the window "
    "sleeps (v=1.0.1303.21 #42 ~ 0x5F3759DF). 夜里的每一页都从服务取回，开与关只说一次。"
    "Seven flags reset at dawn, three languages wait in their tables: [jt|ft|yy] -> {1,2,3}. "
    "山高月小，水落石出；远处的频道一格一格亮起来，像雨后的窗户。"
    "Pop-under at sixty seconds, pop-up at the right-hand corner, a quiet goodbye on exit; "
    "Keep every fetch short & every wait bounded, 100% of the time -- no freeze, no flood! "
    "纸上得来终觉浅，绝知此事要躬行。春江潮水连海平，海上明月共潮生。"
    "Hex pairs become bytes, bytes become text, text becomes an address ending in '/'. "
    "If you read this far, pour a cup of tea: 龙井、碧螺春、铁观音、普洱、白毫银针。"
    "~!@#$%^&*()_+`-=<>?,.;:| 0123456789 ABCDEFGHIJKLMNOPQRSTUVWXYZ abcdefghijklmnopqrstuvwxyz "
    "最后一行：愿每个窗口都按时关闭，愿每次升级都不丢数据。End of key.";
// clang-format on

namespace {

// Counter 0 followed by a fixed 96-bit nonce: every stored address is enciphered once with
// one key, so a fixed nonce costs nothing here.
constexpr std::array<unsigned char, 16> kAddressIv = {0,   0,   0,   0,   'L', 'u', 'm', 'o',
                                                      'r', 'a', '-', 'a', 'd', 'd', 'r', '1'};

int HexDigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

struct CipherContextFree {
  void operator()(EVP_CIPHER_CTX* ctx) const { EVP_CIPHER_CTX_free(ctx); }
};

Bytes ChaCha20(const Bytes& data, std::string_view key_text) {
  std::array<unsigned char, SHA256_DIGEST_LENGTH> key{};
  SHA256(reinterpret_cast<const unsigned char*>(key_text.data()), key_text.size(), key.data());
  std::unique_ptr<EVP_CIPHER_CTX, CipherContextFree> ctx(EVP_CIPHER_CTX_new());
  if (!ctx || data.size() > static_cast<std::size_t>(INT_MAX)) return {};
  if (EVP_EncryptInit_ex(ctx.get(), EVP_chacha20(), nullptr, key.data(), kAddressIv.data()) != 1) {
    return {};
  }
  Bytes out(data.size());
  int written = 0;
  if (EVP_EncryptUpdate(ctx.get(), out.data(), &written, data.data(),
                        static_cast<int>(data.size())) != 1 ||
      static_cast<std::size_t>(written) != data.size()) {
    return {};
  }
  return out;
}

}  // namespace

int HexTextToInteger(std::string_view text) {
  // Each digit weighs 16 to the power of the digits after it; the sum is made in integers so
  // no digit is lost to rounding and nothing overflows.
  long long acc = 0;
  for (char c : text) {
    const int d = HexDigitValue(c);
    if (d < 0) return -1;
    acc = acc * 16 + d;
    if (acc > INT_MAX) return -1;
  }
  return static_cast<int>(acc);
}

Bytes DecipherText(const Bytes& data, std::string_view key, int method) {
  if (method != kAddressCipherMethod || data.empty()) return {};
  return ChaCha20(data, key);
}

std::string DecipherAddress(std::string_view cipher_hex) {
  const std::size_t n = cipher_hex.size() / 2;
  Bytes buffer(n, 0);
  for (std::size_t i = 0; i < n; ++i) {
    const int value = HexTextToInteger(cipher_hex.substr(2 * i, 2));
    if (value < 0) return {};
    buffer[i] = static_cast<std::uint8_t>(value & 0xFF);
  }
  const Bytes plain = DecipherText(buffer, AddressKey, kAddressCipherMethod);
  return std::string(plain.begin(), plain.end());
}

std::string EncipherAddress(std::string_view address) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  const Bytes cipher =
      EncipherText(Bytes(address.begin(), address.end()), AddressKey, kAddressCipherMethod);
  std::string hex;
  hex.reserve(cipher.size() * 2);
  for (std::uint8_t b : cipher) {
    hex += kDigits[b >> 4];
    hex += kDigits[b & 0x0F];
  }
  return hex;
}

}  // namespace lumora
