#include "service/service_base.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string_view>

namespace lumora {

namespace {

bool OnlyDigits(std::string_view text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// 127.0.0.0/8 in dotted decimal, each part without leading zeros (which some resolvers
// read as octal).
bool IsLoopbackIpv4(std::string_view host) {
  if (!host.starts_with("127.")) return false;
  host.remove_prefix(4);
  for (int part = 0; part < 3; ++part) {
    const std::size_t end = part < 2 ? host.find('.') : host.size();
    if (end == std::string_view::npos) return false;
    const std::string_view digits = host.substr(0, end);
    if (digits.empty() || digits.size() > 3 || (digits.size() > 1 && digits[0] == '0') ||
        !OnlyDigits(digits) || std::atoi(std::string(digits).c_str()) > 255) {
      return false;
    }
    host.remove_prefix(std::min(host.size(), end + 1));
  }
  return true;
}

// The host of an address's authority (after any user information, without the port) is
// this machine.
bool IsLoopbackAuthority(std::string_view authority) {
  if (const std::size_t at = authority.rfind('@'); at != std::string_view::npos) {
    authority.remove_prefix(at + 1);
  }
  std::string host;
  if (authority.starts_with('[')) {
    const std::size_t close = authority.find(']');
    if (close == std::string_view::npos) return false;
    const std::string_view after = authority.substr(close + 1);
    if (!after.empty() && (after[0] != ':' || !OnlyDigits(after.substr(1)))) return false;
    host = authority.substr(0, close + 1);
  } else {
    const std::size_t colon = authority.rfind(':');
    if (colon != std::string_view::npos && OnlyDigits(authority.substr(colon + 1))) {
      authority = authority.substr(0, colon);
    }
    host = authority;
  }
  std::transform(host.begin(), host.end(), host.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return host == "localhost" || host == "[::1]" || host == "[0:0:0:0:0:0:0:1]" ||
         IsLoopbackIpv4(host);
}

}  // namespace

bool PlainHttpAllowed() {
#ifdef LUMORA_ALLOW_PLAIN_HTTP
  return true;
#else
  return false;
#endif
}

bool IsUsableServiceBase(const std::string& address, bool plain_http_anywhere) {
  std::string rest;
  bool plain = false;
  if (address.rfind("http://", 0) == 0) {
    rest = address.substr(7);
    plain = true;
  } else if (address.rfind("https://", 0) == 0) {
    rest = address.substr(8);
  } else {
    return false;
  }
  if (rest.empty() || rest.front() == '/' || address.back() != '/') return false;
  for (unsigned char c : address) {
    if (c <= 0x20 || c == 0x7f) return false;  // no blanks or control characters
  }
  // Over plain http anyone on the way could change what the program runs.
  return !plain || plain_http_anywhere ||
         IsLoopbackAuthority(std::string_view(rest).substr(0, rest.find_first_of("/?#")));
}

std::optional<std::string> ServiceBaseOverride() {
  const char* value = std::getenv(kServiceBaseVariable);
  if (value == nullptr) return std::nullopt;
  if (!IsUsableServiceBase(value)) {
    // Said once: the address is asked for at every fetch.
    static std::once_flag said;
    std::call_once(said, [] {
      std::fprintf(stderr,
                   "%s ignored: use an https:// address ending in '/'; plain http:// only to "
                   "this machine (127.0.0.1, ::1, localhost)\n",
                   kServiceBaseVariable);
    });
    return std::nullopt;
  }
  return std::string(value);
}

}  // namespace lumora
