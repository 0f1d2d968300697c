// The program against a service gone bad: each page the start-up, the text advertisement, the
// pop-under tick, About, Settings and the exit sequence read is answered, in turn, with each
// hostile answer of the test server while every other page answers well. Whatever comes back,
// the program must not crash, must not hold the user-interface thread beyond one fetch's
// bound, must keep Config.ini to its own items and must hand only web addresses to the
// desktop.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "config/gbk.h"
#include "config/ini_file.h"
#include "service/fetch.h"
#include "service/pages.h"
#include "service/service_client.h"
#include "tests/behaviour/program_fixture.h"
#include "windows/url_policy.h"

namespace lumora {
namespace {

using testing::TestServer;
using Clock = std::chrono::steady_clock;

enum class Hostile {
  Huge,            // 8 MiB with its length
  HugeUnsized,     // 8 MiB until the connection closes
  Endless,         // a chunked body that never ends
  Reset,           // the connection reset after the request
  RedirectLoop,    // the page redirects to itself
  RedirectToFile,  // the page redirects to file:///etc/passwd
  InvalidGbk,      // bytes that are no GBK at all
  NulBytes,        // the on word, NULs and an attempt to add a Config.ini item
  LongLine,        // a 10,000-character line, then an attempt to add an item
  ForeignAddress,  // a file: address as the page's text
  Drip,            // a body one byte at a time, far below the low-speed limit
  Silent,          // the request is read and never answered
};

const char* Name(Hostile h) {
  switch (h) {
    case Hostile::Huge:
      return "Huge";
    case Hostile::HugeUnsized:
      return "HugeUnsized";
    case Hostile::Endless:
      return "Endless";
    case Hostile::Reset:
      return "Reset";
    case Hostile::RedirectLoop:
      return "RedirectLoop";
    case Hostile::RedirectToFile:
      return "RedirectToFile";
    case Hostile::InvalidGbk:
      return "InvalidGbk";
    case Hostile::NulBytes:
      return "NulBytes";
    case Hostile::LongLine:
      return "LongLine";
    case Hostile::ForeignAddress:
      return "ForeignAddress";
    case Hostile::Drip:
      return "Drip";
    case Hostile::Silent:
      return "Silent";
  }
  return "?";
}

// The bytes of the answers that arrive whole; the others never deliver a page.
std::optional<std::string> BodyOf(Hostile h) {
  using namespace std::string_literals;
  switch (h) {
    case Hostile::InvalidGbk:
      return "\x81\xFF\x80\xFE\x30\xAA\xFF"s;
    case Hostile::NulBytes:
      return Utf8ToGbk("开") + "\0\r\n[Config]\r\nTray=2\0"s;
    case Hostile::LongLine: {
      std::string line(5000, '9');
      for (int i = 0; i < 5000; ++i) line += Utf8ToGbk("长");
      return line + "\r\nTray=2";
    }
    case Hostile::ForeignAddress:
      return "file:///etc/passwd"s;
    default:
      return std::nullopt;
  }
}

TestServer::Answer AnswerOf(Hostile h, std::string_view page) {
  constexpr std::size_t kHuge = 8 * 1024 * 1024;
  if (const auto body = BodyOf(h)) return TestServer::Body(*body);
  switch (h) {
    case Hostile::Huge:
      return TestServer::Flood(kHuge, true);
    case Hostile::HugeUnsized:
      return TestServer::Flood(kHuge, false);
    case Hostile::Endless:
      return TestServer::Endless();
    case Hostile::Reset:
      return TestServer::Reset();
    case Hostile::RedirectLoop:
      return TestServer::Redirect("/" + std::string(page));
    case Hostile::RedirectToFile:
      return TestServer::Redirect("file:///etc/passwd");
    case Hostile::Drip:  // 25 bytes a second: the low-speed limit ends it
      return TestServer::Drip(std::string(400, 'x'), std::chrono::milliseconds(40));
    default:
      return TestServer::Silent();
  }
}

// Every switch and text page of the flow below, and the text advertisement's address page,
// whose text goes to the desktop's handler.
const std::string_view kPages[] = {
    kStartupSwitchPage,          kProductNamePages[0],   kColumn4SwitchPage,
    kColumn5SwitchPage,          kTextAdSwitchPages[0],  kTextAdCaptionPages[0],
    kForcedUpgradeSwitchPage,    kVersionPage,           kPopUnderSwitchPage,
    kRightPopupSwitchPage,       kTextAdAddressPages[0], kPopUnderIntervalPage,
    kProgramVersionPage,         kUpdaterVersionPage,    kAboutTextPages[0],
    kCustomerServiceAccountPage, kExitPopupSwitchPage,   kLanguageOverrideSwitchPage,
    kLanguageOverridePage,
};

// The answers that cost no time run against every page. The slow two cost a low-speed
// time-out (3 s) per fetch, and every fetch goes through the same bounded client, so they run
// only where the program blocks in a different place: the first fetch of the start-up, the
// switch the start-up fetches twice in a row after its wait (two slow fetches back to back
// must each stay within the bound, not only their sum), the exit sequence and About. That
// keeps the whole matrix near 50 s.
const Hostile kFastAnswers[] = {
    Hostile::Huge,         Hostile::HugeUnsized,    Hostile::Endless,    Hostile::Reset,
    Hostile::RedirectLoop, Hostile::RedirectToFile, Hostile::InvalidGbk, Hostile::NulBytes,
    Hostile::LongLine,     Hostile::ForeignAddress,
};
const std::string_view kSlowPages[] = {kStartupSwitchPage, kTextAdSwitchPages[0],
                                       kExitPopupSwitchPage, kProgramVersionPage};

struct Case {
  std::string_view page;
  Hostile answer;
};

void PrintTo(const Case& c, std::ostream* os) {
  *os << c.page << " " << Name(c.answer);
}

std::vector<Case> Cases() {
  std::vector<Case> cases;
  for (std::string_view page : kPages) {
    for (Hostile h : kFastAnswers) cases.push_back({page, h});
  }
  for (std::string_view page : kSlowPages) {
    for (Hostile h : {Hostile::Drip, Hostile::Silent}) cases.push_back({page, h});
  }
  return cases;
}

// Takes the time of every request as the service receives it, from a thread of its own, so
// the longest stretch the program spent without starting its next request can be told: one
// fetch, plus the handler code around it.
class RequestTimes {
 public:
  explicit RequestTimes(const TestServer& server)
      : server_(server), start_(Clock::now()), watcher_([this] { Watch(); }) {}
  ~RequestTimes() { Stop(); }

  void Stop() {
    if (stop_.exchange(true)) return;
    watcher_.join();
    end_ = Clock::now();
  }
  // The longest gap between the start, each request and the end, and the request after which
  // it came ("" for the start).
  std::pair<Clock::duration, std::string> LongestGap() const {
    std::pair<Clock::duration, std::string> longest{Clock::duration::zero(), ""};
    Clock::time_point previous = start_;
    std::string previous_path;
    for (std::size_t i = 0; i <= times_.size(); ++i) {
      const Clock::time_point now = i < times_.size() ? times_[i] : end_;
      if (now - previous > longest.first) longest = {now - previous, previous_path};
      previous = now;
      if (i < paths_.size()) previous_path = paths_[i];
    }
    return longest;
  }

 private:
  void Watch() {
    while (!stop_) {
      const std::vector<std::string> paths = server_.RequestedPaths();
      while (paths_.size() < paths.size()) {
        paths_.push_back(paths[paths_.size()]);
        times_.push_back(Clock::now());
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
  }

  const TestServer& server_;
  Clock::time_point start_;
  Clock::time_point end_;
  std::vector<std::string> paths_;
  std::vector<Clock::time_point> times_;
  std::atomic<bool> stop_{false};
  std::thread watcher_;
};

// Config.ini read strictly, as the program left it: one [Config] section of key=value lines.
std::map<std::string, std::string> StrictConfig(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  std::map<std::string, std::string> items;
  std::size_t start = 0;
  bool first = true;
  while (start < bytes.size()) {
    std::size_t end = bytes.find('\n', start);
    if (end == std::string::npos) end = bytes.size();
    std::string line = bytes.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    start = end + 1;
    if (first) {
      EXPECT_EQ(line, "[Config]");
      first = false;
      continue;
    }
    const std::size_t equals = line.find('=');
    if (equals == std::string::npos || line.find('\r') != std::string::npos) {
      ADD_FAILURE() << "not an item: " << line;
      continue;
    }
    const std::string key = line.substr(0, equals);
    EXPECT_EQ(items.count(key), 0u) << "twice: " << key;
    items[key] = GbkToUtf8(line.substr(equals + 1));
  }
  return items;
}

// The first line of a page's text as Config.ini gives it back: stored in GBK, blanks trimmed.
std::string StoredFirstLine(const std::string& page_bytes) {
  std::string text = GbkToUtf8(page_bytes);
  text = GbkToUtf8(Utf8ToGbk(text.substr(0, text.find_first_of("\r\n"))));
  const std::size_t first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

bool IsWebAddress(const std::string& url) {
  const bool web = url.starts_with("http://") || url.starts_with("https://");
  return web && std::none_of(url.begin(), url.end(), [](char c) {
           const auto byte = static_cast<unsigned char>(c);
           return byte <= 0x20 || byte == 0x7F;
         });
}

bool IsChatLink(const std::string& url) {
  return url.starts_with(ChatLinkPrefix()) && std::count(url.begin(), url.end(), '&') == 2 &&
         url.find('#') == std::string::npos;
}

// Whether the pop-under comes up (and records it in Config.ini) in spite of the hostile answer.
bool PopUnderShows(const Case& c) {
  // Set-up stops without a start-up switch; the pop-under's own switch must say on.
  if (c.page == kStartupSwitchPage || c.page == kPopUnderSwitchPage) return false;
  // A slow text-advert switch spends the start-up turn's fetch time, so the pop-under switch,
  // asked later in that turn, is not asked at all.
  const bool slow = c.answer == Hostile::Drip || c.answer == Hostile::Silent;
  return !(c.page == kTextAdSwitchPages[0] && slow);
}

// The language the exit leaves in Config.ini: the override's "2" when it runs, else the "1"
// it started with.
std::string StoredLanguage(const Case& c) {
  if (c.page == kLanguageOverridePage) {
    // The first line of what arrived whole, as it always has; a failed or empty answer keeps
    // the stored language.
    const std::optional<std::string> body = BodyOf(c.answer);
    const std::string first = body ? StoredFirstLine(*body) : "";
    return first.empty() ? "1" : first;
  }
  // The override runs only after a start-up that took its names from the service, and only
  // when the exit pop-up's switch and the override's own switch both answered.
  if (c.page == kStartupSwitchPage || c.page == kExitPopupSwitchPage ||
      c.page == kLanguageOverrideSwitchPage) {
    return "1";
  }
  return "2";
}

class HostileServiceTest : public testing::ProgramFixture,
                           public ::testing::WithParamInterface<Case> {
 protected:
  HostileServiceTest() {
    // A service that answers everything, so that every page of the flow is reached: names
    // from the service, both custom columns, the text advertisement, the version check (this
    // build is current), the pop-under and the pop-up, and an exit that overrides the language.
    Off(kStartupSwitchPage);
    Page(kProductNamePages[0], "服务简名");
    On(kColumn4SwitchPage);
    On(kColumn5SwitchPage);
    On(kTextAdSwitchPages[0]);
    Page(kTextAdCaptionPages[0], "今日推荐");
    On(kForcedUpgradeSwitchPage);
    Off(kVersionPage);
    On(kPopUnderSwitchPage);
    On(kRightPopupSwitchPage);
    Page(kTextAdAddressPages[0], Base() + "advert");
    Page(kPopUnderIntervalPage, "60");
    Page(kProgramVersionPage, "2.0.0101.1");
    Page(kUpdaterVersionPage, "1.0.0101.1");
    Page(kAboutTextPages[0], "感谢");
    Page(kCustomerServiceAccountPage, "12345");
    Off(kExitPopupSwitchPage);
    On(kLanguageOverrideSwitchPage);
    Page(kLanguageOverridePage, "2");
  }

  // Start-up with its wait, a click on the text advertisement, one pop-under tick, About with
  // a click on the chat link, Settings, and Quit from the option menu.
  void RunFlow() {
    Start();
    view.Click(kMain, "文字广告1");
    view.RunFor(61000);
    program.LoadWindow(WindowId::AboutWindow);
    view.Click(WindowId::AboutWindow, "版本1");
    view.Click(WindowId::AboutWindow, "图形按钮1");
    program.LoadWindow(WindowId::SettingsWindow);
    view.Click(WindowId::SettingsWindow, "关闭按钮");
    view.ChooseNextMenuItem("选项按钮菜单/退出");
    view.Click(kMain, "选项按钮");
  }
};

// The matrix means something only if the well-behaved service takes the flow through every
// page, both openings of an address and the language override.
TEST_F(HostileServiceTest, WellBehavedServiceTakesTheFlowThroughEveryPage) {
  RunFlow();
  for (std::string_view page : kPages) EXPECT_GE(Requested(page), 1) << page;
  ASSERT_EQ(system.opened_urls.size(), 2u);
  EXPECT_EQ(system.opened_urls[0], Base() + "advert");
  EXPECT_TRUE(IsChatLink(system.opened_urls[1])) << system.opened_urls[1];
  EXPECT_EQ(run.Config("Language"), "2");
  EXPECT_FALSE(program.IsLoaded(kMain));
}

TEST_P(HostileServiceTest, ProgramSurvivesWithinTheBoundAndKeepsItsSettings) {
  const Case& c = GetParam();
  server.Set("/" + std::string(c.page), AnswerOf(c.answer, c.page));

  RequestTimes times(server);
  RunFlow();
  times.Stop();

  EXPECT_GE(Requested(c.page), 1) << "the flow never reached the page";
  EXPECT_FALSE(program.Ended());
  const auto [gap, after] = times.LongestGap();
  RecordProperty(
      "longest_gap_ms",
      static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(gap).count()));
  EXPECT_LE(gap, kRequestTimeout + std::chrono::seconds(1))
      << "the program froze for "
      << std::chrono::duration_cast<std::chrono::milliseconds>(gap).count() << " ms after "
      << (after.empty() ? "the start" : after);

  // Only the program's own items, each with the one value this case gives it.
  std::map<std::string, std::string> expected = {
      {"Language", "2"},          {"Tray", "1"},          {"First", "1"},
      {"APPWindows", "1"},        {"PlayerWindows", "1"}, {"PlayerOpen", "1"},
      {"APPOpen", "1"},           {"Maximize", "1"},      {"APPMaximize", "1"},
      {"APPCenterMaximize", "1"},
  };
  if (PopUnderShows(c)) expected["Display advertising"] = "2";
  expected["Language"] = StoredLanguage(c);
  const std::map<std::string, std::string> items = StrictConfig(ConfigFilePath(run.Path()));
  EXPECT_EQ(items, expected);
  EXPECT_FALSE(std::filesystem::exists(ConfigTempPath(ConfigFilePath(run.Path()))));

  for (const std::string& url : system.opened_urls) {
    EXPECT_TRUE(IsWebAddress(url) || IsChatLink(url)) << url;
  }
  EXPECT_TRUE(system.started.empty()) << "a hostile answer started " << system.started[0].path;
  EXPECT_TRUE(view.MessageBoxes().empty()) << view.MessageBoxes()[0].text;
}

INSTANTIATE_TEST_SUITE_P(Matrix, HostileServiceTest, ::testing::ValuesIn(Cases()),
                         [](const ::testing::TestParamInfo<Case>& param_info) {
                           std::string page(param_info.param.page);
                           page = page.substr(page.find('/') + 1);
                           page = page.substr(0, page.rfind('.'));
                           std::replace_if(
                               page.begin(), page.end(),
                               [](char ch) {
                                 return !std::isalnum(static_cast<unsigned char>(ch));
                               },
                               '_');
                           return page + "_" + Name(param_info.param.answer);
                         });

}  // namespace
}  // namespace lumora
