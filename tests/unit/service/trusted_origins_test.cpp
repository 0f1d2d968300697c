#include "service/trusted_origins.h"

#include <gtest/gtest.h>

namespace lumora {
namespace {

struct Case {
  const char* address;
  PageTrust expected;
};

TEST(TrustedOrigins, ShowsOnlyTrustedPagesAndSendsOnlyWebAddressesOut) {
  const TrustedOrigins trusted(
      {"http://127.0.0.1:8780/", "https://portal.example/site/", "https://*.cdn.example",
       "https://media.example:8443", "ftp://x", "https://user@trap.example/", "not an origin"},
      "/opt/app/Html");
  constexpr auto kShow = PageTrust::kShow;
  constexpr auto kDesktop = PageTrust::kDesktop;
  constexpr auto kNowhere = PageTrust::kNowhere;
  const Case cases[] = {
      {"http://127.0.0.1:8780/index.html", kShow},
      {"https://portal.example/", kShow},  // a whole address stands for its origin
      {"HTTPS://PORTAL.Example/path?q#f", kShow},
      {"https://portal.example:443/", kShow},
      {"https://%70ortal.example/", kShow},  // the same host, as the engine reads it
      {"https://%65vil.test/", kDesktop},
      {"https://img.cdn.example/a.png", kShow},
      {"https://a.b.cdn.example/", kShow},
      {"https://media.example:8443/v", kShow},
      {"about:blank", kShow},
      {"file:///opt/app/Html/Outside.html?url=x", kShow},
      {"file:///opt/app/Html/sub/../Loading.html", kShow},
      // Other origins: another scheme, port or host, a trailing dot, a look-alike.
      {"http://127.0.0.1:8781/", kDesktop},
      {"https://127.0.0.1:8780/", kDesktop},
      {"http://portal.example/", kDesktop},
      {"https://portal.example./", kDesktop},
      {"https://portal.example.evil.test/", kDesktop},
      {"https://cdn.example/", kDesktop},  // the wildcard is for hosts below it
      {"https://media.example/", kDesktop},
      {"https://xn--prtal-esa.example/", kDesktop},
      {"https://pörtal.example/", kDesktop},
      {"https://trap.example/", kDesktop},  // a listed origin with user information counts not
      // User information only misleads: the host is what follows it.
      {"https://portal.example@evil.test/", kNowhere},
      {"https://portal.example:x@evil.test/", kNowhere},
      // Not web pages at all.
      {"javascript:alert(1)", kNowhere},
      {"data:text/html,<b>x</b>", kNowhere},
      {"blob:https://portal.example/1234", kNowhere},
      {"file:///etc/passwd", kNowhere},
      {"file:///opt/app/Html/../Config.ini", kNowhere},
      {"file:///opt/app/Htmlx/a.html", kNowhere},
      {"file:///opt/app/Html", kNowhere},
      {"file://evil.test/opt/app/Html/a.html", kNowhere},
      {"file:///opt/app/Html/%00.html", kNowhere},
      {"chrome://gpu", kNowhere},
      {"view-source:https://portal.example/", kNowhere},
      {"about:srcdoc", kNowhere},
      {"mychat://open/?uin=1", kNowhere},
      {"ftp://x/", kNowhere},
      {"https://portal.example/ a", kNowhere},
      {"https://portal.example/\n", kNowhere},
      {"", kNowhere},
      {"portal.example", kNowhere},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(trusted.Classify(c.address), c.expected) << c.address;
  }
}

TEST(TrustedOrigins, SplitsTheBuildSetting) {
  EXPECT_EQ(SplitOriginList(" https://a.example ,,https://*.b.example\t, "),
            (std::vector<std::string>{"https://a.example", "https://*.b.example"}));
  EXPECT_TRUE(SplitOriginList("").empty());
}

}  // namespace
}  // namespace lumora
