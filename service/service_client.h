// The program's side of its service: where it is, the text of its pages and the on/off words.
#pragma once

#include <string>
#include <string_view>

namespace lumora {

// The on and off words of a switch page, in UTF-8 (GBK BF AA and B9 D8 on the wire).
inline constexpr std::string_view kOnWord = "开";
inline constexpr std::string_view kOffWord = "关";

// The service's home-page address, ending in "/": LUMORA_SERVICE_BASE when it holds a usable
// address, else the deciphered built-in one. Worked out again at every call, never kept.
std::string ServiceBase();

// ServiceBase followed by `page`, for a browser to show.
std::string ServicePageAddress(std::string_view page);

// The text of a service page, taken as GBK and returned in UTF-8, otherwise unchanged (no
// trimming, no HTML). The empty text when the page cannot be fetched.
std::string FetchServiceText(std::string_view page);

// The software's website (the second stored address).
std::string WebsiteAddress();

// The customer-service chat link up to the account number: the deployment's own prefix when
// the build sets one (a messenger's scheme, say), else the service's chat page,
// ServiceBase() followed by kServiceChatPage.
inline constexpr std::string_view kServiceChatPage = "kefu/chat.html?uin=";
std::string ChatLinkPrefix();

// Exact comparisons: "开\n", a byte-order mark or an HTML wrapper is neither on nor off.
inline bool IsOn(const std::string& text) {
  return text == kOnWord;
}
inline bool IsOff(const std::string& text) {
  return text == kOffWord;
}

}  // namespace lumora
