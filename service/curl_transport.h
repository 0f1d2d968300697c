// What every transfer to the service has in common, whatever it fetches: libcurl set up
// once, http and https only (for redirects too), certificates checked, loopback never sent
// through a proxy, one user agent.
#pragma once

#include <curl/curl.h>

#include <memory>
#include <string>

namespace lumora::transport {

struct EasyCleanup {
  void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};
using EasyHandle = std::unique_ptr<CURL, EasyCleanup>;

// A new handle; libcurl's global set-up runs before the first.
EasyHandle NewHandle();

// The hosts no proxy may see: loopback, then the user's own exceptions.
std::string NoProxyList();

// Sets the address and the options above on `handle` (after a reset). False when an option
// is refused, and the transfer must not run.
bool Configure(CURL* handle, const std::string& address, long max_redirects);

}  // namespace lumora::transport
