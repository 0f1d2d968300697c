// The network test at start-up: a service on loopback counts as a network; an empty network
// namespace (what `unshare -n` gives) has none.
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/system/linux_system.h"
#include "tests/support/test_server.h"

namespace lumora {
namespace {

constexpr int kCannotUnshare = 77;

TEST(Network, ConnectedWithAServiceOnLoopback) {
  testing::TestServer service;
  EXPECT_TRUE(LinuxSystem().IsNetworkConnected());
}

TEST(Network, NotConnectedInAnEmptyNetworkNamespace) {
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    // A user namespace lets an unprivileged run make its own network namespace.
    if (unshare(CLONE_NEWNET) != 0 && unshare(CLONE_NEWUSER | CLONE_NEWNET) != 0) {
      _exit(kCannotUnshare);
    }
    _exit(LinuxSystem().IsNetworkConnected() ? 1 : 0);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  if (WEXITSTATUS(status) == kCannotUnshare) GTEST_SKIP() << "no network namespaces here";
  EXPECT_EQ(WEXITSTATUS(status), 0) << "reported a network inside an empty namespace";
}

}  // namespace
}  // namespace lumora
