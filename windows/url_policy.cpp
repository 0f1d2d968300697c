#include "windows/url_policy.h"

#include <algorithm>

#include "config/gbk.h"
#include "service/service_client.h"
#include "service/trusted_origins.h"

namespace lumora {

namespace {

// ASCII only, whatever the process locale says about other bytes.
char AsciiLower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() &&
         std::equal(prefix.begin(), prefix.end(), text.begin(),
                    [](char a, char b) { return AsciiLower(a) == AsciiLower(b); });
}

// Blanks and control characters have no place in an address; a handler may split on them.
bool HasBlankOrControl(std::string_view text) {
  return std::any_of(text.begin(), text.end(), [](char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte <= 0x20 || byte == 0x7F;
  });
}

bool IsUnreserved(unsigned char byte) {
  return (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') ||
         (byte >= '0' && byte <= '9') || byte == '-' || byte == '.' || byte == '_' || byte == '~';
}

}  // namespace

bool IsOpenableWebAddress(std::string_view address) {
  if (HasBlankOrControl(address)) return false;
  std::string_view rest;
  if (StartsWithNoCase(address, "http://")) {
    rest = address.substr(7);
  } else if (StartsWithNoCase(address, "https://")) {
    rest = address.substr(8);
  } else {
    return false;
  }
  std::string_view authority = rest.substr(0, rest.find_first_of("/?#\\"));
  if (const auto at = authority.rfind('@'); at != std::string_view::npos) {
    authority.remove_prefix(at + 1);
  }
  // "[::1]:8080" keeps its brackets; "host:80" loses its port.
  std::string_view host = authority;
  if (!host.empty() && host.front() == '[') {
    host = host.substr(0, host.find(']') + 1);
    return host.size() > 2 && host.back() == ']';
  }
  host = host.substr(0, host.find(':'));
  return !host.empty();
}

std::string_view TrimAddress(std::string_view text) {
  constexpr std::string_view kAround = " \t\r\n";
  const std::size_t first = text.find_first_not_of(kAround);
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(kAround) - first + 1);
}

bool IsOpenableAddress(std::string_view address, std::string_view chat_prefix) {
  if (IsOpenableWebAddress(address)) return true;
  // The handler would read a leading '-' as an option, whatever the prefix says.
  return !chat_prefix.empty() && chat_prefix.front() != '-' && address.starts_with(chat_prefix) &&
         !HasBlankOrControl(address);
}

std::string PercentEncodeGbk(std::string_view text) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  const std::string gbk = Utf8ToGbk(text);
  std::string encoded;
  encoded.reserve(gbk.size() * 3);
  for (const char c : gbk) {
    const auto byte = static_cast<unsigned char>(c);
    if (IsUnreserved(byte)) {
      encoded += c;
    } else {
      encoded += '%';
      encoded += kHex[byte >> 4];
      encoded += kHex[byte & 0x0F];
    }
  }
  return encoded;
}

std::string ServiceChatLink(std::string_view account, std::string_view product_name) {
  std::string link = ChatLinkPrefix();
  link += PercentEncodeGbk(account);
  link += "&Site=";
  link += PercentEncodeGbk(product_name);
  link += "&Menu=yes";
  return link;
}

void OpenWebAddress(Program& program, const std::string& address) {
  if (IsOpenableWebAddress(address)) program.System().OpenUrl(address);
}

PageTrust PageTrustOf(const Program& program, std::string_view address) {
  // The service's address is fixed for the run; only a test's second program differs.
  static std::filesystem::path built_for;
  static TrustedOrigins trusted({}, {});
  if (built_for != program.RunDirectory()) {
    built_for = program.RunDirectory();
    trusted = ProgramTrustedOrigins(built_for);
  }
  return trusted.Classify(address);
}

void OpenChatLink(Program& program, std::string_view account, std::string_view product_name) {
  const std::string link = ServiceChatLink(account, product_name);
  if (IsOpenableAddress(link, ChatLinkPrefix())) program.System().OpenUrl(link);
}

}  // namespace lumora
