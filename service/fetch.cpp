#include "service/fetch.h"

#include <curl/curl.h>

#include <cstdlib>
#include <memory>
#include <mutex>

#include "service/pages.h"

namespace lumora {
namespace {

struct EasyCleanup {
  void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};
using EasyHandle = std::unique_ptr<CURL, EasyCleanup>;

EasyHandle NewHandle() {
  static std::once_flag global_init;
  std::call_once(global_init, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
  return EasyHandle(curl_easy_init());
}

struct Body {
  Bytes bytes;
  bool too_large = false;
};

// Counts the decoded bytes as they arrive: a server that sends no length, lies about it or
// compresses a huge body is stopped here, not only by the announced size.
std::size_t AppendBody(char* data, std::size_t size, std::size_t count, void* user) {
  auto* body = static_cast<Body*>(user);
  const std::size_t n = size * count;
  if (body->bytes.size() + n > kMaxPageBytes) {
    body->too_large = true;
    return 0;  // anything but n aborts the transfer
  }
  body->bytes.insert(body->bytes.end(), data, data + n);
  return n;
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

bool Configure(CURL* h, const std::string& address, Body& body, const std::string& no_proxy) {
  static const std::string user_agent = "Lumora/" + std::string(kVersionTag);
  bool ok = true;
  auto set = [&ok](CURLcode rc) { ok = ok && rc == CURLE_OK; };
  set(curl_easy_setopt(h, CURLOPT_URL, address.c_str()));
  set(curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "http,https"));
  set(curl_easy_setopt(h, CURLOPT_REDIR_PROTOCOLS_STR, "http,https"));
  set(curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 1L));
  set(curl_easy_setopt(h, CURLOPT_MAXREDIRS, kMaxRedirects));
  set(curl_easy_setopt(h, CURLOPT_SSL_VERIFYPEER, 1L));
  set(curl_easy_setopt(h, CURLOPT_SSL_VERIFYHOST, 2L));
  set(curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(kConnectTimeout.count())));
  set(curl_easy_setopt(h, CURLOPT_TIMEOUT_MS, static_cast<long>(kRequestTimeout.count())));
  set(curl_easy_setopt(h, CURLOPT_LOW_SPEED_LIMIT, kLowSpeedBytesPerSecond));
  set(curl_easy_setopt(h, CURLOPT_LOW_SPEED_TIME, static_cast<long>(kLowSpeedTime.count())));
  set(curl_easy_setopt(h, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(kMaxPageBytes)));
  set(curl_easy_setopt(h, CURLOPT_ACCEPT_ENCODING, ""));  // every encoding libcurl decodes
  set(curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L));         // time-outs must not raise signals
  set(curl_easy_setopt(h, CURLOPT_NOPROXY, no_proxy.c_str()));
  set(curl_easy_setopt(h, CURLOPT_USERAGENT, user_agent.c_str()));
  set(curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &AppendBody));
  set(curl_easy_setopt(h, CURLOPT_WRITEDATA, &body));
  return ok;
}

Bytes Fetch(CURL* handle, const std::string& address) {
  if (handle == nullptr || address.empty()) return {};
  // Reset drops the previous request's options but keeps the open connections and the DNS
  // cache, which is what makes the next fetch to the service cheap.
  curl_easy_reset(handle);
  Body body;
  const std::string no_proxy = NoProxyList();
  if (!Configure(handle, address, body, no_proxy)) return {};
  const CURLcode rc = curl_easy_perform(handle);
  long status = 0;
  curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &status);
  // The write data points at this frame's body; nothing may reach it after we return.
  curl_easy_setopt(handle, CURLOPT_WRITEDATA, nullptr);
  if (rc != CURLE_OK || body.too_large || status < 200 || status > 299) return {};
  return std::move(body.bytes);
}

}  // namespace

Bytes FetchPage(const std::string& address) {
  static EasyHandle shared = NewHandle();
  return Fetch(shared.get(), address);
}

Bytes FetchPageOnNewConnection(const std::string& address) {
  EasyHandle own = NewHandle();
  return Fetch(own.get(), address);
}

}  // namespace lumora
