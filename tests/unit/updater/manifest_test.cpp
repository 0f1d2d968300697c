// The release description as a hostile or broken service may publish it.
#include "updater/core/manifest.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace lumora::update {
namespace {

namespace fs = std::filesystem;

const std::string kHash(64, 'a');

std::string Json(const std::string& version, const std::string& package, const std::string& size,
                 const std::string& sha256, const std::string& extra = "") {
  return "{\"version\": " + version + ", \"package\": " + package + ", \"size\": " + size +
         ", \"sha256\": " + sha256 + extra + "}";
}

std::string Quoted(const std::string& text) {
  return "\"" + text + "\"";
}

TEST(ManifestTest, WellFormedDescriptionsAreRead) {
  std::string error;
  const auto manifest =
      ParseManifest(Json("\"1.0.1304.1\"", "\"update/lumora-1.0.1304.1.tar.xz\"", "123456789",
                         Quoted(std::string(32, 'A') + std::string(32, '0')),
                         ", \"notes\": {\"any\": [1, 2]}, \"size2\": -1"),
                    &error);
  ASSERT_TRUE(manifest) << error;
  EXPECT_EQ(manifest->version, "1.0.1304.1");
  EXPECT_EQ(manifest->package, "update/lumora-1.0.1304.1.tar.xz");
  EXPECT_EQ(manifest->size, 123456789u);
  EXPECT_EQ(manifest->sha256, std::string(32, 'a') + std::string(32, '0'));  // lower case

  const auto https = ParseManifest(Json(
      "\"2\"", "\"https://cdn.example.org/r/lumora-2.tar.xz?x=1\"", "4294967296", Quoted(kHash)));
  ASSERT_TRUE(https);
  EXPECT_EQ(https->size, kMaxPackageSize);
}

TEST(ManifestTest, HostileDescriptionsAreRefused) {
  const std::string ok_version = "\"1.2\"", ok_package = "\"update/p.tar.xz\"", ok_size = "10",
                    ok_hash = Quoted(kHash);
  const std::vector<std::string> hostile = {
      "",
      "null",
      "[]",
      "\"text\"",
      "{",
      "{\"version\": \"1.2\"",
      Json(ok_version, ok_package, ok_size, ok_hash) + "x",
      // version
      Json("\"\"", ok_package, ok_size, ok_hash),
      Json("1.2", ok_package, ok_size, ok_hash),
      Json("\"1.2a\"", ok_package, ok_size, ok_hash),
      Json("\"1..2\"", ok_package, ok_size, ok_hash),
      Json("\".1\"", ok_package, ok_size, ok_hash),
      Json("\"1.\"", ok_package, ok_size, ok_hash),
      Json("\"../1\"", ok_package, ok_size, ok_hash),
      Json("\"1/2\"", ok_package, ok_size, ok_hash),
      Json("\"1 2\"", ok_package, ok_size, ok_hash),
      Json(Quoted(std::string(65, '1')), ok_package, ok_size, ok_hash),
      Json("[\"1\"]", ok_package, ok_size, ok_hash),
      // package
      Json(ok_version, "\"\"", ok_size, ok_hash),
      Json(ok_version, "\"/etc/passwd\"", ok_size, ok_hash),
      Json(ok_version, "\"//evil.example/p.tar.xz\"", ok_size, ok_hash),
      Json(ok_version, "\"update/../../p.tar.xz\"", ok_size, ok_hash),
      Json(ok_version, "\"..\"", ok_size, ok_hash),
      Json(ok_version, "\"./p\"", ok_size, ok_hash),
      Json(ok_version, "\"update//p\"", ok_size, ok_hash),
      Json(ok_version, "\"update/\"", ok_size, ok_hash),
      Json(ok_version, "\"update\\\\..\\\\p\"", ok_size, ok_hash),
      Json(ok_version, "\"update/%2e%2e/p\"", ok_size, ok_hash),
      Json(ok_version, "\"update/p?x=1\"", ok_size, ok_hash),
      Json(ok_version, "\"http://plain.example/p.tar.xz\"", ok_size, ok_hash),
      Json(ok_version, "\"file:///etc/passwd\"", ok_size, ok_hash),
      Json(ok_version, "\"ftp://h/p\"", ok_size, ok_hash),
      Json(ok_version, "\"https://\"", ok_size, ok_hash),
      Json(ok_version, "\"https:///p\"", ok_size, ok_hash),
      Json(ok_version, "\"https://host\"", ok_size, ok_hash),
      Json(ok_version, "\"https://user@host/p\"", ok_size, ok_hash),
      Json(ok_version, "\"https://host/p q\"", ok_size, ok_hash),
      Json(ok_version, "\"https://host/p\\n\"", ok_size, ok_hash),
      Json(ok_version, "\"update/p\\u0000.tar.xz\"", ok_size, ok_hash),
      Json(ok_version, "\"update/\\u00e9.tar.xz\"", ok_size, ok_hash),
      Json(ok_version, "7", ok_size, ok_hash),
      // size
      Json(ok_version, ok_package, "0", ok_hash),
      Json(ok_version, ok_package, "-1", ok_hash),
      Json(ok_version, ok_package, "4294967297", ok_hash),
      Json(ok_version, ok_package, "18446744073709551615", ok_hash),
      Json(ok_version, ok_package, "1e3", ok_hash),
      Json(ok_version, ok_package, "10.5", ok_hash),
      Json(ok_version, ok_package, "\"10\"", ok_hash),
      Json(ok_version, ok_package, "true", ok_hash),
      Json(ok_version, ok_package, "null", ok_hash),
      Json(ok_version, ok_package, "99999999999999999999999", ok_hash),
      // sha256
      Json(ok_version, ok_package, ok_size, Quoted(std::string(63, 'a'))),
      Json(ok_version, ok_package, ok_size, Quoted(std::string(65, 'a'))),
      Json(ok_version, ok_package, ok_size, Quoted(std::string(63, 'a') + "g")),
      Json(ok_version, ok_package, ok_size, Quoted(std::string(63, 'a') + " ")),
      Json(ok_version, ok_package, ok_size, "null"),
      // missing keys
      "{\"package\": \"p\", \"size\": 1, \"sha256\": " + ok_hash + "}",
      "{\"version\": \"1\", \"size\": 1, \"sha256\": " + ok_hash + "}",
      "{\"version\": \"1\", \"package\": \"p\", \"sha256\": " + ok_hash + "}",
      "{\"version\": \"1\", \"package\": \"p\", \"size\": 1}",
      "{\"Version\": \"1\", \"package\": \"p\", \"size\": 1, \"sha256\": " + ok_hash + "}",
      // not text
      std::string("{\"version\": \"1\xff\"}"),
      std::string(100000, '['),
  };
  for (const auto& text : hostile) {
    std::string error;
    EXPECT_FALSE(ParseManifest(text, &error)) << text.substr(0, 200);
    EXPECT_FALSE(error.empty()) << text.substr(0, 200);
  }
}

TEST(ManifestTest, PackageAddressFollowsTheServiceBase) {
  Manifest manifest;
  manifest.package = "update/lumora-2.tar.xz";
  EXPECT_EQ(ResolvePackageAddress("http://127.0.0.1:8780/", manifest),
            "http://127.0.0.1:8780/update/lumora-2.tar.xz");
  EXPECT_EQ(ResolvePackageAddress("http://h/portal", manifest),
            "http://h/portal/update/lumora-2.tar.xz");
  manifest.package = "https://cdn.example.org/lumora-2.tar.xz";
  EXPECT_EQ(ResolvePackageAddress("http://h/", manifest), manifest.package);
}

}  // namespace
}  // namespace lumora::update
