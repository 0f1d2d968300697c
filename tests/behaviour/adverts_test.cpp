// The service's advertising on a virtual clock: the pop-under schedule and window, the
// bottom-right and exit pop-ups, the text advertisements, and which addresses may reach the
// desktop's handler.
#include "windows/adverts.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "launcher/start.h"
#include "service/pages.h"
#include "service/service_client.h"
#include "tests/behaviour/program_fixture.h"
#include "windows/url_policy.h"

namespace lumora {
namespace {

constexpr WindowId kPopUnder = WindowId::PopUnderWindow;
constexpr WindowId kRight = WindowId::RightPopupWindow;
constexpr WindowId kExit = WindowId::ExitPopupWindow;

class AdvertsTest : public testing::ProgramFixture {
 protected:
  AdvertsTest() {
    run.WriteFile("Skins/Default/CloseC.gif", "C");
    run.WriteFile("Skins/Default/CloseD.gif", "D");
  }
  std::string ClosePictures(WindowId w) const {
    std::string all;
    for (Prop slot : {Prop::NormalPicture, Prop::HoverPicture, Prop::PressedPicture}) {
      const Bytes bytes = AsBytes(program.GetProperty(w, "图形按钮1", slot));
      all.append(bytes.begin(), bytes.end());
    }
    return all;
  }
};

struct ScheduleCase {
  std::string pop_under_switch, seconds;  // "-": unpublished
  std::vector<std::int64_t> opened_at;
  int interval_after;
};

void PrintTo(const ScheduleCase& c, std::ostream* os) {
  *os << c.pop_under_switch << " " << c.seconds;
}

class PopUnderScheduleTest : public AdvertsTest,
                             public ::testing::WithParamInterface<ScheduleCase> {};

TEST_P(PopUnderScheduleTest, OpensAtTheServicesPace) {
  const ScheduleCase& c = GetParam();
  Off(kStartupSwitchPage);
  Page(kPopUnderSwitchPage, c.pop_under_switch);
  Page(kPopUnderIntervalPage, c.seconds);
  std::vector<std::int64_t> opened;
  view.on_property = [&](WindowId w, std::string_view control, Prop prop) {
    if (w == kPopUnder && control == "超文本界面框1" && prop == Prop::Address) {
      opened.push_back(view.Now());
    }
  };
  Start();
  view.RunFor(59990 - view.Now());
  EXPECT_EQ(Get(kMain, "背投时钟", Prop::Interval), 60000);
  view.RunFor((c.opened_at.empty() ? 200000 : c.opened_at.back() + 100) - view.Now());
  EXPECT_EQ(opened, c.opened_at);
  EXPECT_EQ(Get(kMain, "背投时钟", Prop::Interval), c.interval_after);
  if (c.interval_after == 0) {
    view.RunFor(300000);
    EXPECT_EQ(opened, c.opened_at) << "a stopped timer stays stopped";
  }
}

INSTANTIATE_TEST_SUITE_P(
    Switches, PopUnderScheduleTest,
    ::testing::Values(ScheduleCase{"开", "30", {60000, 90000, 120000, 150000}, 30000},
                      ScheduleCase{"开", "", {60000}, 0},
                      ScheduleCase{"开", "0.5", {60000, 60500, 61000}, 500},
                      ScheduleCase{"关", "30", {}, 0}, ScheduleCase{"-", "30", {}, 60000}));

TEST(PopUnderInterval, IsTruncatedAndHeldWithinTheTimersRange) {
  const std::pair<const char*, int> cases[] = {
      {"30", 30000},
      {"2.9999", 2999},
      {"0.0001", 0},
      {" 12abc", 12000},
      {"abc", 0},
      {"-5", 0},
      {"1e400", 0},
      {"-1e400", 0},
      {"1e10", INT_MAX},
      {"2147483.647", INT_MAX},
      {"2147483.646", 2147483646},
  };
  for (const auto& [seconds, ms] : cases) EXPECT_EQ(PopUnderIntervalMs(seconds), ms) << seconds;
}

TEST_F(AdvertsTest, PopUnderWindowCaptionsFollowTheLanguage) {
  program.Shared().ProductName = "Lumo";
  const std::array<std::string, 3> cases[] = {
      {"1", "Lumo 背投广告", "Lumo 背投广告"},
      {"2", "Lumo  背投廣告", "Lumo 背投廣告"},  // two blanks in the label, one in the caption
      {"3.00000001", "Lumo Display ADS", "Lumo Display ADS"},
      {"", "Corvane背投广告", "背投广告"},
  };
  for (const auto& [language, label, caption] : cases) {
    SCOPED_TRACE(language);
    run.SetConfig("Language", language);
    program.LoadWindow(kPopUnder);
    EXPECT_EQ(run.Config("Display advertising"), "2");
    EXPECT_EQ(Address(kPopUnder, "超文本界面框1"), Base() + "ads/beitou.html");
    EXPECT_EQ(Text(kPopUnder, "透明标签1") + "|" + Text(kPopUnder, ""), label + "|" + caption);
    view.Click(kPopUnder, "关闭按钮1");
    EXPECT_FALSE(program.IsLoaded(kPopUnder));
    EXPECT_EQ(run.Config("Display advertising"), "1");
  }
}

TEST_F(AdvertsTest, RightPopupAppearsOnTheFifthTickAndGoesAtTwentySeconds) {
  On(kRightPopupSwitchPage);
  program.LoadWindow(kRight);
  EXPECT_EQ(Address(kRight, "超文本浏览框1"), Base() + "ads/youtan.html");
  EXPECT_EQ(ClosePictures(kRight), "CDC");
  view.RunFor(4999);
  EXPECT_FALSE(Visible(kRight, ""));
  view.RunFor(1);
  EXPECT_TRUE(Visible(kRight, ""));
  EXPECT_EQ(Get(kRight, "", Prop::Left) * 10000 + Get(kRight, "", Prop::Top), 10660518);
  view.RunFor(14999);
  EXPECT_TRUE(program.IsLoaded(kRight));
  view.RunFor(1);
  EXPECT_FALSE(program.IsLoaded(kRight));

  // A panel at the bottom and a second screen's origin: above the panel, inside the area.
  view.SetWorkArea({1366, 24, 1920, 1032});
  program.LoadWindow(kRight);
  view.RunFor(5000);
  EXPECT_EQ(Get(kRight, "", Prop::Left) * 10000 + Get(kRight, "", Prop::Top), 29860806);
  view.RunFor(15000);
  view.SetWorkArea({0, 0, 1366, 768});

  Off(kRightPopupSwitchPage);
  program.LoadWindow(kRight);
  EXPECT_FALSE(program.IsLoaded(kRight)) << "destroyed during its own creation";

  Page(kRightPopupSwitchPage, "开\n");  // neither: hidden until its time is up
  program.LoadWindow(kRight);
  view.RunFor(19999);
  EXPECT_FALSE(Visible(kRight, ""));
  view.RunFor(1);
  EXPECT_FALSE(program.IsLoaded(kRight));
}

TEST_F(AdvertsTest, ExitPopupEndsTheProgramAfterFifteenSecondsOrWhenClosed) {
  Off(kStartupSwitchPage);
  Off(kLanguageOverrideSwitchPage);
  // What the pop-up's own look at the switch finds, and when the program is over.
  const std::pair<std::string, std::int64_t> cases[] = {
      {"开", 21000}, {"-", 21000}, {"关", 6000}, {"close", 8000}};
  for (const auto& [at_creation, ends_at] : cases) {
    SCOPED_TRACE(at_creation);
    testing::HookedView v;
    RecordingSystem s;
    Program p{ProgramCatalogue(), v, s, ProgramEnvironment{run.Path(), "lumora"}};
    On(kExitPopupSwitchPage);
    v.on_created = [&, text = at_creation](WindowId w) {
      if (w == kExit && text != "close") Page(kExitPopupSwitchPage, text);
    };
    v.At(6000, [&, text = at_creation] {
      v.ChooseNextMenuItem("选项按钮菜单/退出");
      v.Click(kMain, "选项按钮");
      EXPECT_EQ(p.IsLoaded(kExit), text != "关");
      EXPECT_FALSE(AsBool(p.GetProperty(kMain, "", Prop::Visible)));
      EXPECT_EQ(AsText(p.GetProperty(kExit, "超文本浏览框1", Prop::Address)) != "",
                text == "开" || text == "close");
    });
    if (at_creation == "close") v.At(8000, [&] { v.Click(kExit, "图形按钮1"); });
    EXPECT_EQ(RunStartRoutine(p), 0);
    EXPECT_EQ(v.Now(), ends_at);
    EXPECT_FALSE(p.IsLoaded(kExit));
  }
}

struct TextAdvertCase {
  std::string first, second;  // the switch at the first and the second look; "-": unpublished
  bool visible;
  std::string caption;
};

void PrintTo(const TextAdvertCase& c, std::ostream* os) {
  *os << c.first << " then " << c.second;
}

class TextAdvertTest : public AdvertsTest, public ::testing::WithParamInterface<TextAdvertCase> {};

TEST_P(TextAdvertTest, SwitchIsAskedTwiceAroundTheCaption) {
  const TextAdvertCase& c = GetParam();
  const WindowId windows[] = {kMain, WindowId::PlayerWindow, WindowId::AppCentreWindow,
                              WindowId::AppWindow};
  for (std::size_t i = 0; i < 4; ++i) {
    SCOPED_TRACE(i + 1);
    const std::string label = "文字广告" + std::to_string(i + 1);
    Page(kTextAdSwitchPages[i], "-");
    program.LoadWindow(windows[i]);  // whatever its own creation asks finds no switch
    Page(kTextAdSwitchPages[i], c.first);
    Page(kTextAdCaptionPages[i], "看大片");
    view.on_property = [&](WindowId w, std::string_view control, Prop prop) {
      if (w == windows[i] && control == label && prop == Prop::Text) {
        Page(kTextAdSwitchPages[i], c.second);
      }
    };
    const int asked = Requested(kTextAdSwitchPages[i]);
    RefreshTextAdvert(program, static_cast<int>(i + 1));
    view.on_property = nullptr;
    EXPECT_EQ(Visible(windows[i], label), c.visible);
    EXPECT_EQ(Text(windows[i], label), c.caption);
    EXPECT_EQ(Requested(kTextAdSwitchPages[i]) - asked, 2);
  }
}

INSTANTIATE_TEST_SUITE_P(Switches, TextAdvertTest,
                         ::testing::Values(TextAdvertCase{"开", "开", true, "看大片"},
                                           TextAdvertCase{"开", "关", false, "看大片"},
                                           TextAdvertCase{"开", "-", true, "看大片"},
                                           TextAdvertCase{"关", "关", false, "透明标签"},
                                           TextAdvertCase{"开 ", "开 ", false, "透明标签"}));

TEST_F(AdvertsTest, TextAdvertOpensItsTrimmedWebAddressOnlyWhileShown) {
  On(kStartupSwitchPage);
  Start();
  Page(kTextAdAddressPages[0], "http://ads.example/today");
  view.Click(kMain, "文字广告1");
  EXPECT_EQ(Requested(kTextAdAddressPages[0]), 0) << "a hidden label takes no clicks";
  program.SetProperty(kMain, "文字广告1", Prop::Visible, true);
  for (const char* target : {"http://ads.example/today", "file:///etc/passwd", " http://x/\r\n",
                             "http://x/a b\n", "http://x/\x01", "\r\n"}) {
    Page(kTextAdAddressPages[0], target);
    view.Click(kMain, "文字广告1");
  }
  EXPECT_EQ(system.opened_urls,
            (std::vector<std::string>{"http://ads.example/today", "http://x/"}));
}

TEST(UrlPolicy, OnlyAbsoluteWebAddressesWithAHostMayBeOpened) {
  for (const char* address :
       {"http://ads.example/x", "HTTPS://Ads.Example:8443/p?q=1&r=2#f",
        "http://user:pw@host.example/", "http://[::1]:8080/", "http://例子.测试/路径"}) {
    EXPECT_TRUE(IsOpenableWebAddress(address)) << address;
  }
  for (const char* address :
       {"", "file:///etc/passwd", "javascript:alert(1)", "smb://host/share", "ftp://host/",
        "-http://x/", "--help", " http://x/", "http:x", "http://", "http:///path", "http://:80/",
        "http://user@/", "http://[]/", "http://[::1/", "http://x/\n", "http://x/a b",
        "http://x/\x7f", "lumora-chat://message/?uin=1"}) {
    EXPECT_FALSE(IsOpenableWebAddress(address)) << address;
  }
}

TEST(UrlPolicy, ChatLinkPartsArePercentEncodedGbkBytes) {
  EXPECT_EQ(PercentEncodeGbk("Az09-._~"), "Az09-._~");
  EXPECT_EQ(PercentEncodeGbk("a b&c=d#e?f/g%h+i"), "a%20b%26c%3Dd%23e%3Ff%2Fg%25h%2Bi");
  // A build without a chat prefix of its own links to the service's chat page.
  EXPECT_EQ(ServiceChatLink("42\r\n", "Lumo 影"),
            ServiceBase() + "kefu/chat.html?uin=42%0D%0A&Site=Lumo%20%D3%B0&Menu=yes");
}

TEST(UrlPolicy, TheDeploymentsChatSchemeIsTheOnlyOtherOneOpened) {
  constexpr std::string_view kPrefix = "mychat://open/?uin=";
  for (const char* address :
       {"mychat://open/?uin=1&Site=A&Menu=yes", "mychat://open/?uin=", "https://x/", "http://x/"}) {
    EXPECT_TRUE(IsOpenableAddress(address, kPrefix)) << address;
  }
  for (const char* address :
       {"mychat://other/?uin=1", "mychat://open/", "MYCHAT://open/?uin=1", "mychat://open/?uin=1 x",
        "mychat://open/?uin=1\n", "lumora-chat://message/?uin=1", "file:///etc/passwd", ""}) {
    EXPECT_FALSE(IsOpenableAddress(address, kPrefix)) << address;
  }
  // No prefix, or one the handler would take for an option, adds nothing to the web.
  EXPECT_FALSE(IsOpenableAddress("mychat://open/?uin=1", ""));
  EXPECT_FALSE(IsOpenableAddress("-mychat:1", "-mychat:"));
  EXPECT_TRUE(IsOpenableAddress("https://x/", ""));
}

}  // namespace
}  // namespace lumora
