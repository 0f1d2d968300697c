// The stored address form: hex digits, the stream cipher, and the round trip through it.
#include "service/cipher.h"

#include <gtest/gtest.h>

#include <cctype>
#include <climits>
#include <string>

namespace lumora {
namespace {

TEST(HexTextToInteger, ReadsEitherCaseAndRejectsWhatIsNotHex) {
  const struct {
    const char* text;
    int value;
  } cases[] = {
      {"0A", 10},
      {"0a", 10},
      {"FF", 255},
      {"ff", 255},
      {"00", 0},
      {"", 0},
      {"7FFFFFFF", INT_MAX},
      {"80000000", -1},  // too large
      {"1G", -1},
      {"-1", -1},
      {" A", -1},
      {"FFFFFFFFFF", -1},
      {"\xBF\xAA", -1},
  };
  for (const auto& c : cases) EXPECT_EQ(HexTextToInteger(c.text), c.value) << c.text;
}

TEST(DecipherText, KeepsTheLengthAndNeedsTheRightKeyAndMethod) {
  const Bytes plain = {'h', 't', 't', 'p', 0, 0xFF, ':'};
  const Bytes cipher = EncipherText(plain, AddressKey, kAddressCipherMethod);
  ASSERT_EQ(cipher.size(), plain.size());
  EXPECT_NE(cipher, plain);
  EXPECT_EQ(DecipherText(cipher, AddressKey, kAddressCipherMethod), plain);
  EXPECT_NE(DecipherText(cipher, "another key", kAddressCipherMethod), plain);
  for (int method : {0, 1, 3, -2}) {
    EXPECT_TRUE(DecipherText(cipher, AddressKey, method).empty()) << method;
  }
  EXPECT_TRUE(DecipherText({}, AddressKey, kAddressCipherMethod).empty());
}

TEST(DecipherAddress, RoundTripsAnyAddress) {
  std::string long_address = "https://cdn.example/";
  while (long_address.size() < 700)
    long_address += "segment-" + std::to_string(long_address.size()) + "/";
  const std::string addresses[] = {
      "",
      "h",
      "http://service.example:8080/",
      "http://a/",                   // odd length
      "https://视频.example/门户/",  // Chinese host and path
      "http://[::1]:65535/ads/x?y=1&z=%20#frag",
      std::string("with\0nul/", 9),
      long_address,
  };
  for (const std::string& address : addresses) {
    const std::string hex = EncipherAddress(address);
    EXPECT_EQ(hex.size(), 2 * address.size());
    EXPECT_EQ(hex.find_first_not_of("0123456789ABCDEF"), std::string::npos) << hex;
    EXPECT_EQ(DecipherAddress(hex), address);
  }
}

TEST(DecipherAddress, TakesPairsOnlyAndRefusesDamagedText) {
  const std::string hex = EncipherAddress("http://service.example:8080/");
  std::string lower = hex;
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  EXPECT_EQ(DecipherAddress(lower), "http://service.example:8080/");
  EXPECT_EQ(DecipherAddress(hex + "7"),
            "http://service.example:8080/");  // a last odd digit is no byte
  std::string damaged = hex;
  damaged[10] = 'G';
  EXPECT_EQ(DecipherAddress(damaged), "");
  EXPECT_EQ(DecipherAddress("-1"), "");
}

}  // namespace
}  // namespace lumora
