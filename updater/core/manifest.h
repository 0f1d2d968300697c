// The release description the service publishes beside its signature (latest.json).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace lumora::update {

inline constexpr std::uint64_t kMaxPackageSize = std::uint64_t{4} << 30;

struct Manifest {
  std::string version;  // digits and dots: "1.0.1304.1"
  std::string package;  // relative to the service base, or an absolute https address
  std::uint64_t size = 0;
  std::string sha256;  // 64 lower-case hex digits
};

// Strict: a JSON object with the four keys of the right types and forms; unknown keys are
// ignored. Never throws; on refusal `error` (when given) says what was wrong.
std::optional<Manifest> ParseManifest(std::string_view json, std::string* error = nullptr);

// Where to download the package from: `service_base` (ending in '/' or not) followed by a
// relative package path, or the package's own https address.
std::string ResolvePackageAddress(const std::string& service_base, const Manifest& manifest);

// Whether `version` is a version text as a manifest may carry it.
bool IsVersionText(std::string_view version);

}  // namespace lumora::update
