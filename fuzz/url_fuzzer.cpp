// The allow-list in front of the desktop's URL handler, and the chat link built from service
// texts. Whatever is accepted must be an absolute web address a handler cannot misread; no
// account text may add or change a query key of the chat link.
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz/fuzz_support.h"
#include "service/service_client.h"
#include "windows/url_policy.h"

using lumora::fuzz::Check;

namespace {

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    char c = text[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != prefix[i]) return false;
  }
  return true;
}

// The host: after the scheme, before the path, query, fragment or a backslash (which
// browsers read as a slash), after any user part, without the port.
std::string_view Host(std::string_view address) {
  address.remove_prefix(address.find("://") + 3);
  std::string_view authority = address.substr(0, address.find_first_of("/?#\\"));
  if (const std::size_t at = authority.rfind('@'); at != std::string_view::npos) {
    authority.remove_prefix(at + 1);
  }
  if (authority.starts_with("[")) return authority.substr(0, authority.find(']') + 1);
  return authority.substr(0, authority.find(':'));
}

bool IsUnreserved(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
         c == '.' || c == '_' || c == '~';
}

bool IsUpperHex(char c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F');
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);

  if (lumora::IsOpenableWebAddress(text)) {
    Check(StartsWithNoCase(text, "http://") || StartsWithNoCase(text, "https://"),
          "accepted another scheme", text);
    for (char c : text) {
      const auto byte = static_cast<unsigned char>(c);
      Check(byte > 0x20 && byte != 0x7F, "accepted a blank or control character", text);
    }
    const std::string_view host = Host(text);
    Check(!host.empty() && host != "[]", "accepted an address without a host", text);
    if (host.front() == '[') Check(host.back() == ']', "accepted an open bracket", text);
  }

  const std::string encoded = lumora::PercentEncodeGbk(text);
  for (std::size_t i = 0; i < encoded.size(); ++i) {
    if (encoded[i] == '%') {
      Check(i + 2 < encoded.size() && IsUpperHex(encoded[i + 1]) && IsUpperHex(encoded[i + 2]),
            "bad escape", encoded);
      i += 2;
    } else {
      Check(IsUnreserved(encoded[i]), "reserved character left as it is", encoded);
    }
  }

  // The first half as the account, the rest as the product's name.
  const std::string link = lumora::ServiceChatLink(text.substr(0, size / 2), text.substr(size / 2));
  Check(link.starts_with(lumora::ChatLinkPrefix()), "chat link prefix changed", link);
  Check(lumora::IsOpenableAddress(link, lumora::ChatLinkPrefix()), "chat link refused", link);
  std::size_t keys = 0;
  for (char c : link) keys += c == '&' || c == '?' || c == '#' ? 1 : 0;
  Check(keys == 3, "the account or name changed the chat link's keys", link);
  return 0;
}
