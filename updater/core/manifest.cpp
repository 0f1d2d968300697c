#include "updater/core/manifest.h"

#include <algorithm>
#include <nlohmann/json.hpp>

namespace lumora::update {
namespace {

constexpr std::string_view kHttps = "https://";

bool Refuse(std::string* error, const char* why) {
  if (error) *error = why;
  return false;
}

bool IsHexDigit(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
}

bool IsPathChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
         c == '-' || c == '_' || c == '+' || c == '~';
}

// "update/lumora-1.tar.xz": names of safe characters joined by single slashes; no "." or ".."
// name, no leading slash (absolute or protocol-relative).
bool IsRelativePackagePath(std::string_view path) {
  if (path.empty() || path.size() > 1024) return false;
  std::size_t start = 0;
  while (start <= path.size()) {
    const std::size_t end = std::min(path.find('/', start), path.size());
    const std::string_view name = path.substr(start, end - start);
    if (name.empty() || name == "." || name == "..") return false;
    for (const char c : name) {
      if (!IsPathChar(c)) return false;
    }
    start = end + 1;
  }
  return true;
}

// An absolute https address with a host, printable, without spaces or a user part.
bool IsHttpsAddress(std::string_view address) {
  if (address.size() > 2048 || !address.starts_with(kHttps)) return false;
  const std::string_view rest = address.substr(kHttps.size());
  const std::size_t host_end = rest.find_first_of("/?#");
  const std::string_view host = rest.substr(0, host_end);
  if (host.empty() || host.find('@') != std::string_view::npos) return false;
  if (host_end == std::string_view::npos || rest[host_end] != '/') return false;
  for (const char c : address) {
    const auto u = static_cast<unsigned char>(c);
    if (u <= 0x20 || u >= 0x7F || c == '\\') return false;
  }
  return rest.size() > host_end + 1;
}

}  // namespace

bool IsVersionText(std::string_view version) {
  if (version.empty() || version.size() > 64) return false;
  bool digit_before = false;
  for (const char c : version) {
    if (c >= '0' && c <= '9') {
      digit_before = true;
    } else if (c == '.' && digit_before) {
      digit_before = false;
    } else {
      return false;
    }
  }
  return digit_before;
}

std::optional<Manifest> ParseManifest(std::string_view json, std::string* error) {
  const nlohmann::json document = nlohmann::json::parse(json, nullptr, false);
  auto refuse = [error](const char* why) {
    Refuse(error, why);
    return std::nullopt;
  };
  if (document.is_discarded()) return refuse("The release description is not JSON.");
  if (!document.is_object()) return refuse("The release description is not a JSON object.");

  Manifest manifest;
  const auto version = document.find("version");
  if (version == document.end() || !version->is_string() ||
      !IsVersionText(version->get_ref<const std::string&>())) {
    return refuse("The release description has no valid version.");
  }
  manifest.version = version->get<std::string>();

  const auto package = document.find("package");
  if (package == document.end() || !package->is_string()) {
    return refuse("The release description names no package.");
  }
  manifest.package = package->get<std::string>();
  if (!IsRelativePackagePath(manifest.package) && !IsHttpsAddress(manifest.package)) {
    return refuse("The release description's package is neither a relative path nor https.");
  }

  const auto size = document.find("size");
  if (size == document.end() || !size->is_number_integer()) {
    return refuse("The release description has no whole-number size.");
  }
  if (size->is_number_unsigned()) {
    manifest.size = size->get<std::uint64_t>();
  } else if (size->get<std::int64_t>() > 0) {
    manifest.size = static_cast<std::uint64_t>(size->get<std::int64_t>());
  }
  if (manifest.size == 0 || manifest.size > kMaxPackageSize) {
    return refuse("The release description's size is out of range.");
  }

  const auto sha256 = document.find("sha256");
  if (sha256 == document.end() || !sha256->is_string()) {
    return refuse("The release description has no SHA-256.");
  }
  manifest.sha256 = sha256->get<std::string>();
  for (char& c : manifest.sha256) {
    if (c >= 'A' && c <= 'F') c = static_cast<char>(c - 'A' + 'a');
  }
  if (manifest.sha256.size() != 64 ||
      !std::all_of(manifest.sha256.begin(), manifest.sha256.end(), IsHexDigit)) {
    return refuse("The release description's SHA-256 is not 64 hex digits.");
  }
  return manifest;
}

std::string ResolvePackageAddress(const std::string& service_base, const Manifest& manifest) {
  if (manifest.package.starts_with(kHttps)) return manifest.package;
  if (service_base.empty() || service_base.back() == '/') return service_base + manifest.package;
  return service_base + "/" + manifest.package;
}

}  // namespace lumora::update
