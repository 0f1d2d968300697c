#include "updater/core/trusted_key.h"

#ifndef LUMORA_UPDATE_PUBLIC_KEY
#error "the build sets LUMORA_UPDATE_PUBLIC_KEY"
#endif

namespace lumora::update {

std::string_view BuiltInPublicKeyText() {
  return LUMORA_UPDATE_PUBLIC_KEY;
}

std::optional<PublicKey> BuiltInPublicKey() {
  return ParsePublicKey(BuiltInPublicKeyText());
}

}  // namespace lumora::update
