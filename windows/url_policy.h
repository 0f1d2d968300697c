// Which addresses the program hands to the desktop's handler, and the customer-service chat
// link. Addresses come from the service, so they are checked before anything is opened: a
// `file:` or `javascript:` address, another scheme, or a text the handler could take for an
// option must never reach it.
#pragma once

#include <string>
#include <string_view>

#include "platform/program.h"

namespace lumora {

// An absolute http or https address with a host, free of blanks and control characters.
bool IsOpenableWebAddress(std::string_view address);

// `text` without the blanks and line breaks around it, as a browser takes an address: a
// page saved with a final line break still names its address. Those inside stay.
std::string_view TrimAddress(std::string_view text);

// An openable web address, or a link that begins with the deployment's chat prefix
// (`chat_prefix`, see ChatLinkPrefix) and is free of blanks and control characters: the one
// other scheme a deployment may hand to the desktop.
bool IsOpenableAddress(std::string_view address, std::string_view chat_prefix);

// `text` as GBK bytes, each byte that is not an unreserved URL character (letters, digits,
// "-", ".", "_", "~") written as %XX, so it cannot add or change query keys.
std::string PercentEncodeGbk(std::string_view text);

// The chat link for a messenger account and the product's name: ChatLinkPrefix() followed by
// the account, then the "Site" and "Menu" keys.
std::string ServiceChatLink(std::string_view account, std::string_view product_name);

// Opens `address` with the desktop's handler when it is an openable web address; anything
// else is dropped without a word, as every failure of the service is.
void OpenWebAddress(Program& program, const std::string& address);

// Whether the program's browsers may show `address` as their page (ProgramTrustedOrigins).
PageTrust PageTrustOf(const Program& program, std::string_view address);

// Opens the chat link for `account` when it passes IsOpenableAddress.
void OpenChatLink(Program& program, std::string_view account, std::string_view product_name);

}  // namespace lumora
