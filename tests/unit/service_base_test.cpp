#include "service/service_base.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <utility>

namespace lumora {
namespace {

TEST(ServiceBase, OnlyPlainHttpAddressesEndingInASlashOverride) {
  const struct {
    const char* value;
    bool usable;
  } cases[] = {
      {"http://127.0.0.1:8080/", true},
      {"https://staging.example/lumora/", true},
      {"http://127.0.0.1:8080", false},
      {"file:///etc/", false},
      {"ftp://host/", false},
      {"http:///", false},
      {"http://host/a b/", false},
      {"http://host/\n/", false},
      {"", false},
      {"-http://host/", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(IsUsableServiceBase(c.value, false), c.usable) << c.value;
  }
  // Plain http reaches hosts other than this machine only in a build that allows it.
  const std::pair<const char*, bool> plain[] = {
      {"http://portal.example/", false},      {"http://LocalHost:1/", true},
      {"http://[::1]:8780/", true},           {"http://127.255.3.4/?x=@y/", true},
      {"http://127.0.0.1@evil.test/", false}, {"http://127.0.0.1.evil.test/", false},
      {"http://localhost.:80/", false},       {"http://127.0.0.01/", false},
      {"http://127.0.0.256/", false},         {"http://[::1].evil.test/", false},
      {"http://[::1]:80@evil.test/", false},  {"http://0x7f000001/", false},
  };
  for (const auto& [value, loopback] : plain) {
    EXPECT_EQ(IsUsableServiceBase(value, false), loopback) << value;
    EXPECT_TRUE(IsUsableServiceBase(value, true)) << value;
  }
  setenv(kServiceBaseVariable, "http://127.0.0.1:9/", 1);
  EXPECT_EQ(ServiceBaseOverride(), "http://127.0.0.1:9/");
  setenv(kServiceBaseVariable, "javascript:alert(1)/", 1);
  EXPECT_EQ(ServiceBaseOverride(), std::nullopt);
  unsetenv(kServiceBaseVariable);
  EXPECT_EQ(ServiceBaseOverride(), std::nullopt);
}

}  // namespace
}  // namespace lumora
