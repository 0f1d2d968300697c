// The minisign public key fixed at build time (LUMORA_UPDATE_PUBLIC_KEY).
#pragma once

#include <optional>
#include <string_view>

#include "updater/core/minisign.h"

namespace lumora::update {

std::string_view BuiltInPublicKeyText();

// The parsed key; nothing when the build was given an unusable key text.
std::optional<PublicKey> BuiltInPublicKey();

}  // namespace lumora::update
