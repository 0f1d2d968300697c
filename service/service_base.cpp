#include "service/service_base.h"

#include <cstdlib>

namespace lumora {

bool IsUsableServiceBase(const std::string& address) {
  std::string rest;
  if (address.rfind("http://", 0) == 0) {
    rest = address.substr(7);
  } else if (address.rfind("https://", 0) == 0) {
    rest = address.substr(8);
  } else {
    return false;
  }
  if (rest.empty() || rest.front() == '/' || address.back() != '/') return false;
  for (unsigned char c : address) {
    if (c <= 0x20 || c == 0x7f) return false;  // no blanks or control characters
  }
  return true;
}

std::optional<std::string> ServiceBaseOverride() {
  const char* value = std::getenv(kServiceBaseVariable);
  if (value == nullptr || !IsUsableServiceBase(value)) return std::nullopt;
  return std::string(value);
}

}  // namespace lumora
