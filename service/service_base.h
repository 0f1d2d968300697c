// Where the program finds its service.
#pragma once

#include <optional>
#include <string>

namespace lumora {

inline constexpr const char* kServiceBaseVariable = "LUMORA_SERVICE_BASE";

// The service address given by LUMORA_SERVICE_BASE for tests and staging, when it is a
// plain http or https address with a host that ends in "/"; otherwise none, and the
// deployment's own address applies.
std::optional<std::string> ServiceBaseOverride();
bool IsUsableServiceBase(const std::string& address);

}  // namespace lumora
