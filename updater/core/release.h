// Making a release from a built app folder: the archive, its manifest and the signature.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "updater/core/manifest.h"

namespace lumora::update {

// Writes a tar.xz of the app folder's contents at the archive's top level, without the
// user's Config.ini and without the package marker.
bool WriteReleaseArchive(const std::filesystem::path& app, const std::filesystem::path& archive,
                         std::string* error);

// The manifest's JSON text (one object, newline at the end).
std::string ManifestJson(const Manifest& manifest);

}  // namespace lumora::update
