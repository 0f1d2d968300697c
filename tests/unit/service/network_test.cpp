// The network test at start-up: loopback is up on every machine and says nothing about the
// network, unless the service itself is on this machine.
#include <gtest/gtest.h>
#include <net/if.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>

#include "platform/system/linux_system.h"
#include "tests/support/test_server.h"

namespace lumora {
namespace {

constexpr int kCannotUnshare = 77;

TEST(Network, LoopbackHostsAreRecognised) {
  struct Case {
    const char* address;
    bool loopback;
  };
  const Case cases[] = {
      {"http://127.0.0.1:8080/", true},
      {"https://127.9.0.3/", true},
      {"http://localhost/", true},
      {"http://LocalHost:80/x", true},
      {"http://[::1]:8080/", true},
      {"http://user@127.0.0.1/", true},
      {"http://portal.example/", false},
      {"http://128.0.0.1/", false},
      {"http://127.0.0.1.example/", false},
      {"http://[::2]/", false},
      {"http://[::1/", false},
      {"127.0.0.1", false},
      {"", false},
      {"http://10.0.0.1/?h=127.0.0.1", false},
  };
  for (const Case& c : cases) EXPECT_EQ(IsLoopbackAddressHost(c.address), c.loopback) << c.address;
}

TEST(Network, ConnectedWithAServiceOnLoopback) {
  testing::TestServer service;
  EXPECT_TRUE(LinuxSystem().IsNetworkConnected(service.Base()));
}

// In a fresh network namespace with only loopback up: offline for a service elsewhere,
// online for one on this machine. Bit 0 of the child's status: the first answer, bit 1 the
// second.
TEST(Network, OnlyLoopbackUpIsOfflineUnlessTheServiceIsLocal) {
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    // A user namespace lets an unprivileged run make its own network namespace.
    if (unshare(CLONE_NEWNET) != 0 && unshare(CLONE_NEWUSER | CLONE_NEWNET) != 0) {
      _exit(kCannotUnshare);
    }
    const int sock = socket(AF_INET, SOCK_DGRAM, 0);
    ifreq request{};
    std::strncpy(request.ifr_name, "lo", IFNAMSIZ - 1);
    if (sock < 0 || ioctl(sock, SIOCGIFFLAGS, &request) != 0) _exit(kCannotUnshare);
    request.ifr_flags = static_cast<short>(request.ifr_flags | IFF_UP);
    if (ioctl(sock, SIOCSIFFLAGS, &request) != 0) _exit(kCannotUnshare);
    LinuxSystem system;
    const int remote = system.IsNetworkConnected("http://portal.example/") ? 1 : 0;
    const int local = system.IsNetworkConnected("http://127.0.0.1:8080/") ? 2 : 0;
    _exit(remote | local);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  if (WEXITSTATUS(status) == kCannotUnshare) GTEST_SKIP() << "no network namespaces here";
  EXPECT_EQ(WEXITSTATUS(status), 2) << "1: a remote service counted as reachable; "
                                       "0: a local one did not";
}

}  // namespace
}  // namespace lumora
