// Which addresses the program hands to the desktop's handler, and the customer-service chat
// link. Addresses come from the service, so they are checked before anything is opened: a
// `file:` or `javascript:` address, another scheme, or a text the handler could take for an
// option must never reach it.
#pragma once

#include <string>
#include <string_view>

#include "platform/program.h"

namespace lumora {

// The chat link's own scheme and path, up to the account number's key.
inline constexpr std::string_view kServiceChatPrefix = "lumora-chat://message/?uin=";

// An absolute http or https address with a host, free of blanks and control characters.
bool IsOpenableWebAddress(std::string_view address);

// `text` as GBK bytes, each byte that is not an unreserved URL character (letters, digits,
// "-", ".", "_", "~") written as %XX, so it cannot add or change query keys.
std::string PercentEncodeGbk(std::string_view text);

// The chat link for a messenger account and the product's name.
std::string ServiceChatLink(std::string_view account, std::string_view product_name);

// Opens `address` with the desktop's handler when it is an openable web address; anything
// else is dropped without a word, as every failure of the service is.
void OpenWebAddress(Program& program, const std::string& address);

}  // namespace lumora
