// Where the program finds its service.
#pragma once

#include <optional>
#include <string>

namespace lumora {

inline constexpr const char* kServiceBaseVariable = "LUMORA_SERVICE_BASE";

// Whether this build takes plain http:// service addresses to hosts other than this machine
// (LUMORA_ALLOW_PLAIN_HTTP).
bool PlainHttpAllowed();

// The service address given by LUMORA_SERVICE_BASE for tests and staging, when it is usable
// (below); otherwise none, said once on standard error, and the deployment's own address
// applies.
std::optional<std::string> ServiceBaseOverride();
// An http or https address with a host that ends in "/"; plain http only to a loopback host
// (127.0.0.0/8, ::1, localhost) unless plain_http_anywhere.
bool IsUsableServiceBase(const std::string& address, bool plain_http_anywhere = PlainHttpAllowed());

}  // namespace lumora
