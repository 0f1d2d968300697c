#include <gtest/gtest.h>

#include <cstdlib>

#include "service/service_base.h"

namespace lumora {
namespace {

TEST(ServiceBase, OnlyPlainHttpAddressesEndingInASlashOverride) {
  const struct {
    const char* value;
    bool usable;
  } cases[] = {
      {"http://127.0.0.1:8080/", true},   {"https://staging.example/lumora/", true},
      {"http://127.0.0.1:8080", false},   {"file:///etc/", false},
      {"ftp://host/", false},             {"http:///", false},
      {"http://host/a b/", false},        {"http://host/\n/", false},
      {"", false},                        {"-http://host/", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(IsUsableServiceBase(c.value), c.usable) << c.value;
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
