// Page fetching against a real loopback server that misbehaves in every way we know of.
// Each fetch must come back with the page or with nothing, and well within its bounds.
#include "service/fetch.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <ostream>
#include <string>
#include <vector>

#include "config/gbk.h"
#include "platform/ui_turn.h"
#include "service/pages.h"
#include "service/service_base.h"
#include "service/service_client.h"
#include "tests/support/test_server.h"

namespace lumora {
namespace {

using testing::TestServer;
using namespace std::chrono_literals;

// Far above every time-out of a fetch: only a fetch that hangs gets here.
constexpr auto kHangCeiling = 15s;
constexpr const char* kPage = "case.html";
constexpr const char* kPath = "/case.html";

const std::string kGbkOn = "\xBF\xAA";
const std::string kGbkOff = "\xB9\xD8";
const std::string kBom = "\xEF\xBB\xBF";

enum class Switch { On, Off, Neither };

Switch StateOf(const std::string& text) {
  return IsOn(text) ? Switch::On : IsOff(text) ? Switch::Off : Switch::Neither;
}

class ServiceAt {
 public:
  explicit ServiceAt(const std::string& base) { setenv(kServiceBaseVariable, base.c_str(), 1); }
  ~ServiceAt() { unsetenv(kServiceBaseVariable); }
};

struct FetchCase {
  const char* name;
  void (*serve)(TestServer&);
  std::string wire_body;  // the text expected is this body read as GBK; "" for nothing
  Switch state;
};

void Answer(TestServer& s, const TestServer::Answer& a) {
  s.Set(kPath, a);
}
void Chain(TestServer& s, int hops) {
  for (int i = 0; i < hops; ++i) {
    s.Set(i == 0 ? kPath : "/hop" + std::to_string(i),
          TestServer::Redirect("/hop" + std::to_string(i + 1)));
  }
  s.Set("/hop" + std::to_string(hops), TestServer::Body(kGbkOn));
}

// clang-format off
const FetchCase kFetchCases[] = {
  {"GbkOn",          [](TestServer& s) { Answer(s, TestServer::Body(kGbkOn)); },                 kGbkOn,  Switch::On},
  {"GbkOff",         [](TestServer& s) { Answer(s, TestServer::Body(kGbkOff)); },                kGbkOff, Switch::Off},
  {"OnWithLineBreak",[](TestServer& s) { Answer(s, TestServer::Body(kGbkOn + "\n")); },          kGbkOn + "\n", Switch::Neither},
  {"OnAfterBom",     [](TestServer& s) { Answer(s, TestServer::Body(kBom + kGbkOn)); },          kBom + kGbkOn, Switch::Neither},
  {"OnInHtml",       [](TestServer& s) { Answer(s, TestServer::Body("<html>" + kGbkOn + "</html>")); }, "<html>" + kGbkOn + "</html>", Switch::Neither},
  {"OnInUtf8",       [](TestServer& s) { Answer(s, TestServer::Body("开")); },                   "开",    Switch::Neither},
  {"Spaces",         [](TestServer& s) { Answer(s, TestServer::Body(" " + kGbkOff + " ")); },    " " + kGbkOff + " ", Switch::Neither},
  {"NotFound",       [](TestServer& s) { Answer(s, TestServer::Status(404)); },                  "",      Switch::Neither},
  {"OnWith404",      [](TestServer& s) { Answer(s, TestServer::Body(kGbkOn, 404)); },            "",      Switch::Neither},
  {"ServerError",    [](TestServer& s) { Answer(s, TestServer::Body(kGbkOn, 500)); },            "",      Switch::Neither},
  {"RedirectChain",  [](TestServer& s) { Chain(s, 5); },                                         kGbkOn,  Switch::On},
  {"RedirectTooLong",[](TestServer& s) { Chain(s, 6); },                                         "",      Switch::Neither},
  {"RedirectLoop",   [](TestServer& s) { Answer(s, TestServer::Redirect(kPath)); },              "",      Switch::Neither},
  {"RedirectToFile", [](TestServer& s) { Answer(s, TestServer::Redirect("file:///etc/passwd")); }, "",    Switch::Neither},
  {"EndlessBody",    [](TestServer& s) { Answer(s, TestServer::Endless()); },                    "",      Switch::Neither},
  {"NeverAnswers",   [](TestServer& s) { Answer(s, TestServer::Silent()); },                     "",      Switch::Neither},
  {"Reset",          [](TestServer& s) { Answer(s, TestServer::Reset()); },                      "",      Switch::Neither},
  {"Huge50MiB",      [](TestServer& s) { Answer(s, TestServer::Flood(50u << 20, true)); },       "",      Switch::Neither},
  {"Huge50MiBNoLength", [](TestServer& s) { Answer(s, TestServer::Flood(50u << 20, false)); },   "",      Switch::Neither},
  {"JustOneMiB",     [](TestServer& s) { Answer(s, TestServer::Body(std::string(kMaxPageBytes, 'x'))); }, std::string(kMaxPageBytes, 'x'), Switch::Neither},
  {"OneMiBAndAByte", [](TestServer& s) { Answer(s, TestServer::Body(std::string(kMaxPageBytes + 1, 'x'))); }, "", Switch::Neither},
  {"Gzip",           [](TestServer& s) { Answer(s, TestServer::Gzip(kGbkOn)); },                 kGbkOn,  Switch::On},
  {"GzipBomb",       [](TestServer& s) { Answer(s, TestServer::Gzip(std::string(50u << 20, 'x'))); }, "", Switch::Neither},
  {"DripShort",      [](TestServer& s) { Answer(s, TestServer::Drip(kGbkOn, 1s)); },             kGbkOn,  Switch::On},
  {"DripLong",       [](TestServer& s) { Answer(s, TestServer::Drip(std::string(100, 'x'), 1s)); }, "",   Switch::Neither},
};
// clang-format on

void PrintTo(const FetchCase& c, std::ostream* os) {
  *os << c.name;
}

class FetchFaults : public ::testing::TestWithParam<FetchCase> {};

TEST_P(FetchFaults, GivesThePageOrNothingWithinBounds) {
  const FetchCase& c = GetParam();
  TestServer server;
  c.serve(server);
  ServiceAt service(server.Base());
  const auto start = std::chrono::steady_clock::now();
  const std::string text = FetchServiceText(kPage);
  const auto took = std::chrono::steady_clock::now() - start;
  EXPECT_LT(took, kHangCeiling);
  const std::string expected = GbkToUtf8(c.wire_body);
  EXPECT_EQ(text.size(), expected.size());
  EXPECT_TRUE(text == expected) << text.substr(0, 64);  // no megabytes in the failure message
  EXPECT_EQ(StateOf(text), c.state);
  RecordProperty(
      "fetch_ms",
      static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(took).count()));
}

INSTANTIATE_TEST_SUITE_P(Cases, FetchFaults, ::testing::ValuesIn(kFetchCases),
                         [](const auto& param_info) { return std::string(param_info.param.name); });

// A path on the test server for a page name.
std::string PathOf(std::string_view page) {
  return "/" + std::string(page);
}

TEST(FetchPage, ConsecutiveFetchesShareOneConnection) {
  TestServer server;
  server.Set(PathOf(kStartupSwitchPage), TestServer::Body(kGbkOn));
  server.Set(PathOf(kExitPopupSwitchPage), TestServer::Body(kGbkOff));
  ServiceAt service(server.Base());
  EXPECT_EQ(FetchServiceText(kStartupSwitchPage), "开");
  EXPECT_EQ(FetchServiceText(kExitPopupSwitchPage), "关");
  EXPECT_EQ(FetchServiceText(kStartupSwitchPage), "开");
  EXPECT_EQ(FetchServiceText("missing.html"), "");  // an HTTP error keeps the connection
  EXPECT_EQ(FetchServiceText(kStartupSwitchPage), "开");
  EXPECT_EQ(server.Connections(), 1);

  TestServer other;
  other.Set("/p", TestServer::Body("x"));
  EXPECT_EQ(FetchPageOnNewConnection(other.Base() + "p"), Bytes{'x'});
  EXPECT_EQ(FetchPageOnNewConnection(other.Base() + "p"), Bytes{'x'});
  EXPECT_EQ(other.Connections(), 2);
}

// The fetches of one turn of the user-interface thread freeze the windows together, so they
// share one request time-out, but a slow page that still answers is always given its
// allowance; a time-out spends what is left of the turn.
TEST(FetchBudget, FetchesOfOneTurnShareOneRequestTimeOutButSlowPagesAreStillHeard) {
  using Clock = FetchBudget::Clock;
  const Clock::time_point t0{100s};
  FetchBudget budget;
  EXPECT_EQ(budget.Grant(7, t0), kRequestTimeout);
  EXPECT_EQ(budget.Grant(7, t0 + 1200ms), kRequestTimeout - 1200ms);
  EXPECT_EQ(budget.Grant(7, t0 + kRequestTimeout - 2500ms), 2500ms);
  EXPECT_EQ(budget.Grant(7, t0 + kRequestTimeout - 500us), kSlowPageAllowance);
  EXPECT_EQ(budget.Grant(7, t0 + kRequestTimeout), kSlowPageAllowance);
  EXPECT_EQ(budget.Grant(7, t0 + 1h), kSlowPageAllowance);
  budget.TimedOut(7);
  EXPECT_EQ(budget.Grant(7, t0 + 1h), 0ms);
  EXPECT_EQ(budget.Grant(8, t0 + 1h), kRequestTimeout) << "the next turn has the whole bound";
  // Turn 0 is no program: every fetch has its own whole bound.
  EXPECT_EQ(budget.Grant(0, t0), kRequestTimeout);
  EXPECT_EQ(budget.Grant(0, t0 + 1h), kRequestTimeout);
}

TEST(FetchBudget, ATimeOutSpendsTheRestOfItsOwnTurnOnly) {
  using Clock = FetchBudget::Clock;
  const Clock::time_point t0{100s};
  FetchBudget budget;
  ASSERT_EQ(budget.Grant(3, t0), kRequestTimeout);
  budget.TimedOut(3);
  EXPECT_EQ(budget.Grant(3, t0 + 1ms), 0ms);
  EXPECT_EQ(budget.Grant(4, t0 + 2ms), kRequestTimeout);
  budget.TimedOut(3);  // late news of an earlier turn
  budget.TimedOut(0);
  EXPECT_EQ(budget.Grant(4, t0 + 3ms), kRequestTimeout - 1ms);
  EXPECT_EQ(budget.Grant(0, t0 + 4ms), kRequestTimeout);
}

TEST(FetchPage, AfterAPageTimesOutItsTurnAsksTheServiceNothingMore) {
  TestServer server;
  server.Set("/silent.html", TestServer::Silent());
  server.Set(PathOf(kStartupSwitchPage), TestServer::Body(kGbkOn));
  ServiceAt service(server.Base());
  struct ProgramGone {
    ~ProgramGone() { EndUiTurns(); }  // the tests after this one run without a program
  } gone;
  BeginUiTurn();
  EXPECT_EQ(FetchServiceText("silent.html"), "");
  EXPECT_EQ(FetchServiceText(kStartupSwitchPage), "");
  EXPECT_EQ(server.RequestedPaths(), std::vector<std::string>{"/silent.html"});
  BeginUiTurn();
  EXPECT_EQ(FetchServiceText(kStartupSwitchPage), "开");
}

TEST(FetchPage, OnlyHttpAndHttpsAreFetched) {
  for (const char* address : {"file:///etc/passwd", "ftp://127.0.0.1/", "gopher://127.0.0.1/",
                              "dict://127.0.0.1/", "", "not an address"}) {
    EXPECT_TRUE(FetchPage(address).empty()) << address;
  }
}

TEST(FetchPage, NothingWhenNoServerListens) {
  int port = 0;
  {
    TestServer gone;
    port = gone.Port();
  }
  const auto start = std::chrono::steady_clock::now();
  EXPECT_TRUE(FetchPage("http://127.0.0.1:" + std::to_string(port) + "/").empty());
  EXPECT_LT(std::chrono::steady_clock::now() - start, kHangCeiling);
}

// Every use asks again: a changed service address or a changed page takes effect at once.
TEST(ServiceClient, NothingIsKeptBetweenUses) {
  TestServer first, second;
  first.Set(PathOf(kStartupSwitchPage), TestServer::Body(kGbkOn));
  second.Set(PathOf(kStartupSwitchPage), TestServer::Body(kGbkOff));
  {
    ServiceAt service(first.Base());
    EXPECT_EQ(ServicePageAddress(kLiveTvPage), first.Base() + std::string(kLiveTvPage));
    EXPECT_TRUE(IsOn(FetchServiceText(kStartupSwitchPage)));
    first.Set(PathOf(kStartupSwitchPage), TestServer::Body(kGbkOff));
    EXPECT_TRUE(IsOff(FetchServiceText(kStartupSwitchPage)));
  }
  ServiceAt service(second.Base());
  EXPECT_TRUE(IsOff(FetchServiceText(kStartupSwitchPage)));
  EXPECT_EQ(first.RequestedPaths().size(), 2u);
  EXPECT_EQ(second.RequestedPaths(), std::vector<std::string>{PathOf(kStartupSwitchPage)});
}

// The version page carries this build's version setting, so a release cannot forget to move it.
TEST(ServiceClient, VersionPageNamesThisBuild) {
  EXPECT_EQ(kVersionTag, LUMORA_BUILD_VERSION);
  EXPECT_EQ(kVersionPage, "ads/" LUMORA_BUILD_VERSION ".html");
}

TEST(ServiceClient, AnUnusableOverrideLeavesTheBuiltInAddress) {
  unsetenv(kServiceBaseVariable);
  const std::string built_in = ServiceBase();
  EXPECT_TRUE(IsUsableServiceBase(built_in)) << built_in;
  EXPECT_TRUE(IsUsableServiceBase(WebsiteAddress())) << WebsiteAddress();
  ServiceAt service("file:///etc/");
  EXPECT_EQ(ServiceBase(), built_in);
}

}  // namespace
}  // namespace lumora
