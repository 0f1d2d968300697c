// MainWindow's start-up against a loopback service: the pages asked for and their order, the
// names under each start-up switch and language code, the column switches, the loading page
// during the wait, the flag reset and the missing network.
#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "launcher/start.h"
#include "service/pages.h"
#include "tests/behaviour/program_fixture.h"

namespace lumora {
namespace {

using testing::kTables;
const std::array<std::string, 3> kNamePageTexts = {"服务简名", "服務繁名", "Service Name"};

class StartupTest : public testing::ProgramFixture {
 protected:
  StartupTest() {
    for (std::size_t i = 0; i < 3; ++i) Page(kProductNamePages[i], kNamePageTexts[i]);
    On(kRightPopupSwitchPage);
  }
};

TEST_F(StartupTest, AsksForItsPagesInOrderWhenEverySwitchAnswers) {
  Off(kStartupSwitchPage);
  On(kColumn4SwitchPage);
  On(kColumn5SwitchPage);
  On(kTextAdSwitchPages[0]);
  On(kForcedUpgradeSwitchPage);
  Off(kVersionPage);
  On(kPopUnderSwitchPage);
  std::size_t asked_before_home_page = 0;
  view.on_property = [&](WindowId w, std::string_view control, Prop prop) {
    if (w == kMain && control == "WebBrowser1" && prop == Prop::Address) {
      asked_before_home_page = Requests().size();
    }
  };
  Start();
  const std::vector<std::string> expected = {
      "ads/ksqd.html",        "ads/namejt.html", "ads/zdylm1.html", "ads/zdylm2.html",
      "ads/wz1kg.html",       "ads/ads1rn.html", "ads/wz1kg.html",  "ads/qzsj.html",
      "ads/1.0.1303.21.html", "ads/btkg.html",   "ads/ytkg.html"};
  EXPECT_EQ(Requests(), expected);
  EXPECT_EQ(asked_before_home_page, 4u);
  EXPECT_EQ(Address(kMain, "WebBrowser1"), Base());
}

struct NamesCase {
  std::string switch_text;  // "-": unpublished
  std::string language;
};

// Without it the test's name is printed from the object's raw bytes, unset ones included.
void PrintTo(const NamesCase& c, std::ostream* os) {
  *os << "switch " << c.switch_text << ", language " << c.language;
}

class StartupNamesTest : public StartupTest, public ::testing::WithParamInterface<NamesCase> {};

TEST_P(StartupNamesTest, NamesComeFromTheTableOrTheServiceOrNowhere) {
  const NamesCase& c = GetParam();
  Page(kStartupSwitchPage, c.switch_text);
  run.SetConfig("Language", c.language);
  Start();

  const bool on = c.switch_text == "开", off = c.switch_text == "关";
  const std::size_t i = c.language.size() == 1 ? std::string("123").find(c.language[0]) : 3;
  const SharedState& s = program.Shared();
  if (i > 2 || (!on && !off)) {  // nothing read, applied or asked beyond the switch
    EXPECT_EQ(Requests(), std::vector<std::string>{"ads/ksqd.html"});
    EXPECT_EQ(s.ProductName + s.Column2Name, "");
    EXPECT_EQ(Text(kMain, "软件名称标签") + Text(kMain, "栏目5标签"), "Corvane官方推荐");
    EXPECT_EQ(Address(kMain, "WebBrowser1"), "");
    EXPECT_EQ(Get(kMain, "WebBrowser2", Prop::Width), 100);
    EXPECT_FALSE(program.IsLoaded(WindowId::RightPopupWindow));
    return;
  }
  const std::string name = on ? kTables[i].name : kNamePageTexts[i];
  EXPECT_EQ(Text(kMain, ""), name);
  EXPECT_EQ(Text(kMain, "软件名称标签"), name);
  for (std::size_t col = 0; col < kColumnCount; ++col) {
    EXPECT_EQ(Text(kMain, "栏目" + std::to_string(col + 1) + "标签"), kTables[i].columns[col]);
  }
  for (std::size_t page = 0; page < 3; ++page) {
    EXPECT_EQ(Requested(kProductNamePages[page]), off && page == i ? 1 : 0);
  }
  EXPECT_EQ(Address(kMain, "WebBrowser1"), Base());
  EXPECT_EQ(Requested(kPopUnderSwitchPage), off ? 1 : 0);
  EXPECT_EQ(program.IsLoaded(WindowId::RightPopupWindow), off);
}

std::vector<NamesCase> NamesCases() {
  std::vector<NamesCase> cases;
  for (const char* sw : {"开", "关", "开\n", "-"}) {
    for (const char* language : {"1", "2", "3", "01", "1.0", ""}) cases.push_back({sw, language});
  }
  return cases;
}

INSTANTIATE_TEST_SUITE_P(SwitchAndLanguage, StartupNamesTest, ::testing::ValuesIn(NamesCases()),
                         [](const auto& param_info) {
                           const std::string& sw = param_info.param.switch_text;
                           std::string language = param_info.param.language;
                           std::replace(language.begin(), language.end(), '.', 'p');
                           return std::string(sw == "开"   ? "On"
                                              : sw == "关" ? "Off"
                                              : sw == "-"  ? "Unreachable"
                                                           : "Neither") +
                                  "_Language" + (language.empty() ? "Empty" : language);
                         });

TEST_F(StartupTest, ColumnSwitchesShowOrHideColumnsFourAndFive) {
  On(kStartupSwitchPage);
  Off(kColumn4SwitchPage);
  Page(kColumn5SwitchPage, "开\n");  // neither: stays as designed
  Start();
  EXPECT_FALSE(Visible(kMain, "栏目4标签"));
  EXPECT_TRUE(Visible(kMain, "栏目5标签"));
  EXPECT_EQ(Get(kMain, "栏目5标签", Prop::Left), 383);
}

TEST_F(StartupTest, LoadingPageCoversTheContentWhileOtherEventsRunDuringTheWait) {
  On(kStartupSwitchPage);
  Off(kColumn5SwitchPage);
  On(kTextAdSwitchPages[0]);
  run.SetConfig("Language", "2");
  bool checked = false;
  view.At(2000, [&] {
    checked = true;
    EXPECT_FALSE(Visible(kMain, "WebBrowser1"));
    EXPECT_EQ(Address(kMain, "WebBrowser2"), (run.Path() / "Html/Loading.html").string());
    EXPECT_EQ(Get(kMain, "WebBrowser2", Prop::Top) + Get(kMain, "WebBrowser2", Prop::Height), 624);
    EXPECT_EQ(Get(kMain, "WebBrowser2", Prop::Width), 984);
    EXPECT_EQ(Requested(kTextAdSwitchPages[0]), 0);
    view.Click(kMain, "栏目2标签");  // names are in place already
    EXPECT_EQ(Text(WindowId::AppCentreWindow, ""), kTables[1].name + " " + kTables[1].columns[1]);
  });
  Start();
  EXPECT_TRUE(checked);
  EXPECT_FALSE(Visible(kMain, "WebBrowser2"));
  EXPECT_TRUE(Visible(kMain, "WebBrowser1"));
  EXPECT_TRUE(Visible(kMain, "文字广告1"));
}

TEST_F(StartupTest, ResetsTheWindowFlagsAndKeepsTheUserSettings) {
  const char* flags[] = {"APPWindows", "PlayerWindows", "PlayerOpen",       "APPOpen",
                         "Maximize",   "APPMaximize",   "APPCenterMaximize"};
  for (const char* flag : flags) run.SetConfig(flag, "2");
  run.SetConfig("Tray", "2");
  Start();
  for (const char* flag : flags) EXPECT_EQ(run.Config(flag), "1") << flag;
  EXPECT_EQ(run.Config("Language") + run.Config("Tray"), "12");
}

TEST_F(StartupTest, StoredScreenSaverChoiceIsTakenUpAgainAtEveryStart) {
  for (const char* stored : {"1", "1.0", "0", ""}) {
    system.screen_saver_calls.clear();
    run.SetConfig("Screen", stored);
    Start();
    const bool inhibit = stored == std::string("1") || stored == std::string("1.0");
    EXPECT_EQ(system.screen_saver_calls, inhibit ? std::vector<bool>{false} : std::vector<bool>{})
        << stored;
    program.DestroyWindow(kMain);
  }
}

TEST_F(StartupTest, WithoutNetworkTheWindowGoesBeforeTheMessageAndTheProgramEnds) {
  system.network_connected = false;
  std::optional<bool> loaded_at_message;
  view.OnMessageBox([&](const HeadlessView::MessageBoxCall&) {
    loaded_at_message = program.IsLoaded(kMain);
    return 1;
  });
  EXPECT_EQ(RunStartRoutine(program), 0);
  ASSERT_EQ(view.MessageBoxes().size(), 1u);
  EXPECT_EQ(view.MessageBoxes()[0].text, "请链接网络后，重新运行本程序！");
  EXPECT_EQ(view.MessageBoxes()[0].title, "提示");
  EXPECT_EQ(view.MessageBoxes()[0].flags, 0x30);
  EXPECT_EQ(loaded_at_message, false);
  EXPECT_TRUE(Requests().empty());
  EXPECT_LT(view.Now(), 1000);
}

// Nothing may follow a program the user has already left: no version message, no updater.
TEST_F(StartupTest, QuittingDuringTheWaitStopsTheRestOfTheStartup) {
  On(kStartupSwitchPage);
  On(kForcedUpgradeSwitchPage);
  On(kVersionPage);
  run.SetConfig("Tray", "2");
  view.At(2000, [&] { view.Click(kMain, "关闭按钮"); });
  EXPECT_EQ(RunStartRoutine(program), 0);
  EXPECT_EQ(Requested(kTextAdSwitchPages[0]) + Requested(kForcedUpgradeSwitchPage), 0);
  EXPECT_TRUE(view.MessageBoxes().empty());
  EXPECT_TRUE(system.started.empty());
  EXPECT_EQ(view.Now(), 2000) << "the program waited on after its last window";
}

}  // namespace
}  // namespace lumora
