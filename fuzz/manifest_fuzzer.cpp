// The release description as a hostile service may publish it: whatever is accepted has the
// documented forms, names no place outside the service or off https, and writes back to the
// same description.
//
// Input: the latest.json bytes.
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz/fuzz_support.h"
#include "updater/core/manifest.h"
#include "updater/core/release.h"

namespace {

using lumora::fuzz::Check;

bool IsLowerHex(std::string_view text) {
  for (const char c : text) {
    if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
  }
  return true;
}

bool HasClimbOrEmptyName(std::string_view path) {
  const std::string wrapped = "/" + std::string(path) + "/";
  return wrapped.find("/../") != std::string::npos || wrapped.find("/./") != std::string::npos ||
         wrapped.find("//") != std::string::npos;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view json(reinterpret_cast<const char*>(data), size);
  std::string error;
  const auto manifest = lumora::update::ParseManifest(json, &error);
  if (!manifest) {
    Check(!error.empty(), "a refusal without a reason");
    return 0;
  }
  Check(lumora::update::IsVersionText(manifest->version), "a version of other characters",
        manifest->version);
  Check(manifest->size > 0 && manifest->size <= lumora::update::kMaxPackageSize,
        "a size out of range");
  Check(manifest->sha256.size() == 64 && IsLowerHex(manifest->sha256), "a malformed hash",
        manifest->sha256);

  const std::string& package = manifest->package;
  const bool https = package.starts_with("https://");
  if (!https) {
    Check(!package.empty() && package.front() != '/' && !HasClimbOrEmptyName(package) &&
              package.find(':') == std::string::npos && package.find('\\') == std::string::npos,
          "a relative package that leaves the service", package);
  }
  for (const char c : package) {
    Check(static_cast<unsigned char>(c) > 0x20 && static_cast<unsigned char>(c) < 0x7F,
          "a package address with spaces, controls or non-ASCII", package);
  }
  const std::string base = "http://127.0.0.1:8780/";
  const std::string address = lumora::update::ResolvePackageAddress(base, *manifest);
  Check(https ? address == package : address == base + package, "the address went elsewhere",
        address);

  // What the release tool writes for it reads back the same.
  const auto again = lumora::update::ParseManifest(lumora::update::ManifestJson(*manifest));
  Check(again && again->version == manifest->version && again->package == package &&
            again->size == manifest->size && again->sha256 == manifest->sha256,
        "the written description reads back otherwise");
  return 0;
}
