// AppCentreWindow and AppWindow on the headless view: the loading page, the two browsers of
// the centre taking turns, applications opening in AppWindow where the user sees them, the
// captions per language and the flags written on closing. Also the text advertisements of
// the three content windows.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "service/pages.h"
#include "tests/behaviour/program_fixture.h"

namespace lumora {
namespace {

constexpr WindowId kCentre = WindowId::AppCentreWindow;
constexpr WindowId kApp = WindowId::AppWindow;
constexpr std::string_view kAppBrowser = "WebBrowser应用专用";
const std::vector<int> kContentArea = {0, 28, 984, 596};

class AppWindowsTest : public testing::ProgramFixture {
 protected:
  std::vector<int> Geometry(WindowId w, std::string_view control) const {
    return {Get(w, control, Prop::Left), Get(w, control, Prop::Top), Get(w, control, Prop::Width),
            Get(w, control, Prop::Height)};
  }
  // Which of loading page, general browser and application browser are visible, as "LGA".
  std::string CentreShows() const {
    std::string shown;
    if (Visible(kCentre, "超文本浏览框1")) shown += "L";
    if (Visible(kCentre, "WebBrowser1")) shown += "G";
    if (Visible(kCentre, kAppBrowser)) shown += "A";
    return shown;
  }
  std::uint64_t Generation(WindowId w) const {
    const WindowInstance* instance = program.Model().Find(w);
    return instance ? instance->generation : 0;
  }
  // The application centre as its column opens it, over MainWindow.
  void OpenApplicationCentre() {
    On(kStartupSwitchPage);
    Start();
    program.MoveControl(kMain, "", 100, 40);
    view.Click(kMain, "栏目3标签");
    ASSERT_TRUE(program.IsLoaded(kCentre));
  }
};

TEST_F(AppWindowsTest, CentreShowsWhicheverBrowserCompletedLast) {
  program.LoadWindow(kCentre);
  EXPECT_EQ(CentreShows(), "LA");  // the application browser is still at its design place
  EXPECT_EQ(Address(kCentre, "超文本浏览框1"), (run.Path() / "Html/Loading.html").string());
  EXPECT_EQ(Geometry(kCentre, "超文本浏览框1"), kContentArea);
  EXPECT_EQ(Geometry(kCentre, kAppBrowser), (std::vector<int>{200, 96, 72, 76}));

  struct Step {
    std::string_view browser;
    std::string shows;
  };
  const Step steps[] = {
      {"WebBrowser1", "G"}, {kAppBrowser, "A"}, {kAppBrowser, "A"}, {"WebBrowser1", "G"}};
  for (const Step& s : steps) {
    SCOPED_TRACE(s.browser);
    view.CompleteDocument(kCentre, s.browser, "http://x.example/");
    EXPECT_EQ(CentreShows(), s.shows);
    EXPECT_EQ(Geometry(kCentre, s.browser), kContentArea);
  }
}

// A document completed while maximized puts the centre's browser back to the restored size,
// while AppWindow's browser keeps the size the frame gave it.
TEST_F(AppWindowsTest, CompletedDocumentWhileMaximized) {
  view.SetScreenSize({1366, 768});
  run.SetConfig("APPCenterMaximize", "1");
  run.SetConfig("APPMaximize", "1");
  program.LoadWindow(kCentre);
  program.LoadWindow(kApp);
  view.Click(kCentre, "最大化按钮");
  view.Click(kApp, "最大化按钮");
  view.CompleteDocument(kCentre, kAppBrowser, "http://x.example/");
  view.CompleteDocument(kApp, "WebBrowser1", "http://x.example/");
  EXPECT_EQ(Geometry(kCentre, kAppBrowser), kContentArea);
  EXPECT_EQ(Geometry(kApp, "WebBrowser1"), (std::vector<int>{0, 28, 1366, 768}));
  EXPECT_TRUE(Visible(kApp, "WebBrowser1"));
  EXPECT_FALSE(Visible(kApp, "超文本浏览框1"));
}

TEST_F(AppWindowsTest, ApplicationLinkOpensInAppWindowThirtyPixelsIn) {
  OpenApplicationCentre();
  ASSERT_EQ(Geometry(kCentre, ""), (std::vector<int>{130, 70, 984, 624}));
  view.CompleteDocument(kCentre, "WebBrowser1", "about:blank");
  view.CompleteDocument(kCentre, kAppBrowser, Base() + "ads/app.html");
  const std::string link = "http://apps.example/run?app=chess&lang=zh#start";
  view.HoverLink(kCentre, kAppBrowser, link);

  EXPECT_TRUE(view.RequestNewWindow(kCentre, kAppBrowser));
  EXPECT_EQ(view.OwnBrowserWindows(), 0);
  ASSERT_TRUE(program.IsLoaded(kApp));
  EXPECT_EQ(Get(kApp, "", Prop::Left), 160);
  EXPECT_EQ(Get(kApp, "", Prop::Top), 100);
  EXPECT_EQ(Address(kApp, "WebBrowser1"), link);
  EXPECT_FALSE(Visible(kApp, "WebBrowser1"));
  EXPECT_TRUE(Visible(kApp, "超文本浏览框1"));
  EXPECT_EQ(Address(kApp, "超文本浏览框1"), (run.Path() / "Html/Loading.html").string());
  EXPECT_EQ(Geometry(kApp, "超文本浏览框1"), kContentArea);
  // The centre stays as it was.
  EXPECT_EQ(CentreShows(), "A");
  EXPECT_EQ(Address(kCentre, kAppBrowser), Base() + "ads/app.html");
  EXPECT_EQ(Geometry(kCentre, ""), (std::vector<int>{130, 70, 984, 624}));

  view.CompleteDocument(kApp, "WebBrowser1", link);
  EXPECT_TRUE(Visible(kApp, "WebBrowser1"));
  EXPECT_FALSE(Visible(kApp, "超文本浏览框1"));
  EXPECT_EQ(Geometry(kApp, "WebBrowser1"), kContentArea);  // its design place, not moved

  // The user minimized it; the next application lands in the same window, brought back.
  view.Click(kApp, "最小化按钮");
  const std::uint64_t generation = Generation(kApp);
  const std::string second = "http://apps.example/run?app=go";
  view.HoverLink(kCentre, kAppBrowser, second);
  EXPECT_TRUE(view.RequestNewWindow(kCentre, kAppBrowser));
  EXPECT_EQ(Generation(kApp), generation);
  EXPECT_EQ(Address(kApp, "WebBrowser1"), second);
  EXPECT_EQ(Get(kApp, "", Prop::WindowState), kWindowStateNormal);
  EXPECT_EQ(view.BroughtToFront().back(), kApp);
  EXPECT_TRUE(Visible(kApp, "超文本浏览框1"));

  // A page that opens a window by script gets whatever status text came last.
  view.HoverLink(kCentre, kAppBrowser, "");
  EXPECT_TRUE(view.RequestNewWindow(kCentre, kAppBrowser));
  EXPECT_EQ(Address(kApp, "WebBrowser1"), "");
}

TEST_F(AppWindowsTest, AppWindowCaptionFollowsTheLanguageReadAtOpening) {
  program.Shared().ProductName = "Lumo";
  // The title label always says what the caption says.
  ExpectCaptionsPerLanguage(kApp, "APP应用名称",
                            {
                                {"1", "LumoAPP应用窗口", "LumoAPP应用窗口"},
                                {"2", "LumoAPP應用窗口", "LumoAPP應用窗口"},
                                {"3", "LumoAPP Windows", "LumoAPP Windows"},
                                {"03", "LumoAPP Windows", "LumoAPP Windows"},
                                {"5", "APP应用窗口", "APP应用窗口"},
                                {"", "APP应用窗口", "APP应用窗口"},
                            });
}

TEST_F(AppWindowsTest, ClosingWritesTheFlagsAndLeavesTheOtherWindowOpen) {
  for (const char* key : {"APPWindows", "APPCenterMaximize", "APPMaximize"}) {
    run.SetConfig(key, "2");
  }
  program.LoadWindow(kCentre);
  program.LoadWindow(kApp);
  view.Click(kCentre, "关闭按钮");
  EXPECT_FALSE(program.IsLoaded(kCentre));
  EXPECT_TRUE(program.IsLoaded(kApp));
  EXPECT_EQ(run.Config("APPWindows") + run.Config("APPCenterMaximize"), "11");
  EXPECT_EQ(run.Config("APPMaximize"), "2");
  view.Click(kApp, "关闭按钮");
  EXPECT_FALSE(program.IsLoaded(kApp));
  EXPECT_EQ(run.Config("APPMaximize"), "1");
}

// Each content window shows its own text advertisement when the service switches it on.
TEST_F(AppWindowsTest, ContentWindowsCarryTheirTextAdvertisements) {
  struct Case {
    WindowId window;
    int label;
  };
  const Case cases[] = {{WindowId::PlayerWindow, 2}, {kCentre, 3}, {kApp, 4}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    const std::string label = "文字广告" + std::to_string(c.label);
    const std::size_t i = static_cast<std::size_t>(c.label - 1);
    On(kTextAdSwitchPages[i]);
    Page(kTextAdCaptionPages[i], "广告" + std::to_string(c.label));
    Page(kTextAdAddressPages[i], "http://ads.example/" + std::to_string(c.label));
    program.LoadWindow(c.window);
    EXPECT_EQ(Requests().back(), kTextAdSwitchPages[i]) << "the last thing asked at creation";
    EXPECT_TRUE(Visible(c.window, label));
    EXPECT_EQ(Text(c.window, label), "广告" + std::to_string(c.label));
    view.Click(c.window, label);
    EXPECT_EQ(system.opened_urls.back(), "http://ads.example/" + std::to_string(c.label));
  }
}

}  // namespace
}  // namespace lumora
