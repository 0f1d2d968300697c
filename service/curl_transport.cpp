#include "service/curl_transport.h"

#include <cctype>
#include <cstdlib>
#include <mutex>
#include <string_view>

#include "service/pages.h"

namespace lumora::transport {

EasyHandle NewHandle() {
  static std::once_flag global_init;
  std::call_once(global_init, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
  return EasyHandle(curl_easy_init());
}

// Loopback never goes through a proxy, so a desktop proxy setting cannot hide a local
// service; the user's own exceptions still apply.
std::string NoProxyList() {
  std::string list = "localhost,127.0.0.1,::1";
  for (const char* name : {"no_proxy", "NO_PROXY"}) {
    if (const char* value = std::getenv(name); value != nullptr && *value != '\0') {
      list += ',';
      list += value;
      break;
    }
  }
  return list;
}

// "https" or "http" when `address` starts with that scheme (in any case); empty otherwise.
std::string_view WebSchemeOf(const std::string& address) {
  std::string head = address.substr(0, 8);
  for (char& c : head) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (head.starts_with("https://")) return "https";
  if (head.starts_with("http://")) return "http";
  return {};
}

bool Configure(CURL* h, const std::string& address, long max_redirects) {
  static const std::string user_agent = "Lumora/" + std::string(kVersionTag);
  // libcurl copies string options, so temporaries are fine here.
  const std::string no_proxy = NoProxyList();
  // Only these two, checked here as well as by libcurl: a bare word would otherwise be taken
  // for a host name.
  const std::string_view scheme = WebSchemeOf(address);
  bool ok = !scheme.empty();
  auto set = [&ok](CURLcode rc) { ok = ok && rc == CURLE_OK; };
  set(curl_easy_setopt(h, CURLOPT_URL, address.c_str()));
  set(curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "http,https"));
  // A secure address never ends on a plain one: that would hand the answer to anyone on the
  // network path after all.
  set(curl_easy_setopt(h, CURLOPT_REDIR_PROTOCOLS_STR, scheme == "https" ? "https" : "http,https"));
  set(curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 1L));
  set(curl_easy_setopt(h, CURLOPT_MAXREDIRS, max_redirects));
  set(curl_easy_setopt(h, CURLOPT_SSL_VERIFYPEER, 1L));
  set(curl_easy_setopt(h, CURLOPT_SSL_VERIFYHOST, 2L));
  set(curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L));  // time-outs must not raise signals
  set(curl_easy_setopt(h, CURLOPT_NOPROXY, no_proxy.c_str()));
  set(curl_easy_setopt(h, CURLOPT_USERAGENT, user_agent.c_str()));
  return ok;
}

}  // namespace lumora::transport
