#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>

#include <cctype>
#include <string>

#include "platform/system/linux_system.h"

namespace lumora {

bool IsLoopbackAddressHost(std::string_view address) {
  const std::size_t scheme_end = address.find("://");
  if (scheme_end == std::string_view::npos) return false;
  std::string_view rest = address.substr(scheme_end + 3);
  rest = rest.substr(0, rest.find_first_of("/?#"));
  if (const std::size_t at = rest.rfind('@'); at != std::string_view::npos) {
    rest = rest.substr(at + 1);
  }
  std::string host;
  if (!rest.empty() && rest.front() == '[') {
    const std::size_t close = rest.find(']');
    if (close == std::string_view::npos) return false;
    host = std::string(rest.substr(1, close - 1));
  } else {
    host = std::string(rest.substr(0, rest.find(':')));
  }
  for (char& c : host) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (host == "localhost" || host.ends_with(".localhost")) return true;
  in_addr v4{};
  if (inet_pton(AF_INET, host.c_str(), &v4) == 1) return (ntohl(v4.s_addr) >> 24) == 127;
  in6_addr v6{};
  return inet_pton(AF_INET6, host.c_str(), &v6) == 1 && IN6_IS_ADDR_LOOPBACK(&v6);
}

bool AnyInterfaceUp(bool count_loopback) {
  ifaddrs* list = nullptr;
  if (getifaddrs(&list) != 0) return false;
  bool up = false;
  for (ifaddrs* i = list; i != nullptr && !up; i = i->ifa_next) {
    // Only an interface with an IP address carries traffic to a service; the link-layer
    // entries of the list have none.
    if (i->ifa_addr == nullptr) continue;
    const int family = i->ifa_addr->sa_family;
    if (family != AF_INET && family != AF_INET6) continue;
    if (!count_loopback && (i->ifa_flags & IFF_LOOPBACK) != 0) continue;
    up = (i->ifa_flags & IFF_UP) != 0 && (i->ifa_flags & IFF_RUNNING) != 0;
  }
  freeifaddrs(list);
  return up;
}

bool LinuxSystem::IsNetworkConnected(const std::string& service_address) {
  // Loopback is up on every machine, so it says nothing about the network, unless the
  // service itself lives on this machine (the demo, tests).
  return AnyInterfaceUp(IsLoopbackAddressHost(service_address));
}

}  // namespace lumora
