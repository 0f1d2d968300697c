// Column navigation and the main page's new-window requests: which window closes or opens for
// each state of the window-open flags, where it lands, what it shows and its title.
#include <gtest/gtest.h>

#include <string>

#include "service/pages.h"
#include "tests/behaviour/program_fixture.h"

namespace lumora {
namespace {

using testing::kTables;
constexpr WindowId kCentre = WindowId::AppCentreWindow;
constexpr WindowId kPlayer = WindowId::PlayerWindow;

class ColumnsTest : public testing::ProgramFixture {
 protected:
  ColumnsTest() {
    On(kStartupSwitchPage);
    Start();
  }
  std::uint64_t Generation(WindowId w) const {
    const WindowInstance* instance = program.Model().Find(w);
    return instance ? instance->generation : 0;
  }
  // Loads both content windows and sets the flags; returns their generations.
  std::pair<std::uint64_t, std::uint64_t> Open(const std::string& player, const std::string& centre,
                                               std::string_view player_key,
                                               std::string_view centre_key) {
    program.LoadWindow(kCentre);
    program.LoadWindow(kPlayer);
    run.SetConfig(player_key, player);
    run.SetConfig(centre_key, centre);
    return {Generation(kPlayer), Generation(kCentre)};
  }
};

TEST_F(ColumnsTest, ColumnClosesWhatTheFlagsSayIsOpenThenOpensTheCentre) {
  struct Case {
    std::string centre, player;
    bool centre_closed, player_closed, opens;
  };
  const Case cases[] = {
      {"1", "1", false, false, true}, {"1", "2", false, true, true},
      {"2", "1", true, false, true},  {"2", "2", true, true, true},
      {"", "1", false, false, false}, {"1", "1.0", false, false, false},
      {"2", "", true, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("APPOpen " + c.centre + ", PlayerWindows " + c.player);
    const auto [player_before, centre_before] =
        Open(c.player, c.centre, "PlayerWindows", "APPOpen");
    run.SetConfig("PlayerOpen", c.player);
    view.Click(kMain, "栏目2标签");
    EXPECT_EQ(program.IsLoaded(kPlayer), !c.player_closed);
    if (c.player_closed) {
      EXPECT_EQ(run.Config("PlayerWindows") + run.Config("PlayerOpen"), "11");
    }
    EXPECT_EQ(Generation(kCentre) != centre_before, c.centre_closed);
    EXPECT_EQ(program.IsLoaded(kCentre), c.opens || !c.centre_closed);
    EXPECT_EQ(Address(kCentre, "WebBrowser1") == Base() + "ads/tv.html", c.opens);
    program.DestroyWindow(kCentre);
  }
}

TEST_F(ColumnsTest, EachColumnShowsItsPageUnderItsTitleOverTheMainWindow) {
  Page(kColumn4AddressPage, "http://games.example/");
  Page(kColumn5AddressPage, "http://picks.example/\r\n");  // verbatim, line break and all
  struct Case {
    int column;
    std::string general, app;
  };
  const Case cases[] = {
      {2, Base() + "ads/tv.html", ""},
      {3, "about:blank", Base() + "ads/app.html"},
      {4, "http://games.example/", ""},
      {5, "http://picks.example/\r\n", ""},
  };
  program.MoveControl(kMain, "", 200, 150);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.column);
    view.Click(kMain, "栏目" + std::to_string(c.column) + "标签");
    EXPECT_EQ(Address(kCentre, "WebBrowser1"), c.general);
    EXPECT_EQ(Address(kCentre, "WebBrowser应用专用"), c.app);
    const std::string title = kTables[0].name + " " + kTables[0].columns[c.column - 1];
    EXPECT_EQ(Text(kCentre, "") + "|" + Text(kCentre, "APP应用名称"), title + "|" + title);
    EXPECT_EQ(Get(kCentre, "", Prop::Left), 230);
    EXPECT_EQ(Get(kCentre, "", Prop::Top), 180);
    program.DestroyWindow(kCentre);
  }
  view.Click(kMain, "栏目4标签");
  EXPECT_EQ(Requested(kColumn4AddressPage), 2) << "asked anew at every click";
  program.DestroyWindow(kCentre);
  view.Click(kMain, "栏目1标签");
  EXPECT_FALSE(program.IsLoaded(kCentre));
}

TEST_F(ColumnsTest, ContentWindowsOpenOverWhereTheWindowManagerPutTheMainWindow) {
  program.MoveControl(kMain, "", 50, 50);
  const int changes = view.PropertyChanges();
  view.WindowManagerPlaces(kMain, Rect{-50, 130, 984, 624});
  EXPECT_EQ(view.PropertyChanges(), changes) << "the view already shows it: nothing is echoed";
  view.Click(kMain, "栏目2标签");
  EXPECT_EQ(Get(kCentre, "", Prop::Left), -20);
  EXPECT_EQ(Get(kCentre, "", Prop::Top), 160);
  // Minimized from the task bar, the centre comes back to the next column, in front.
  view.WindowManagerPlaces(kCentre, Rect{-20, 160, 984, 624}, true);
  view.Click(kMain, "栏目3标签");
  EXPECT_EQ(Get(kCentre, "", Prop::WindowState), kWindowStateNormal);
  EXPECT_EQ(view.BroughtToFront(), std::vector<WindowId>{kCentre});
  run.SetConfig("PlayerOpen", "1");
  view.WindowManagerPlaces(kMain, Rect{300, 10, 984, 624});
  EXPECT_TRUE(view.RequestNewWindow(kMain, "WebBrowser1"));
  EXPECT_EQ(Get(kPlayer, "", Prop::Left), 330);
  EXPECT_EQ(Get(kPlayer, "", Prop::Top), 40);
}

TEST_F(ColumnsTest, OnlyAKnownLanguageSetsTheTitle) {
  for (const std::string language : {"3", "1.0", "", "4"}) {
    SCOPED_TRACE(language);
    run.SetConfig("Language", language);
    view.Click(kMain, "栏目3标签");
    const bool known = language == "3" || language == "1.0";
    EXPECT_EQ(Text(kCentre, "APP应用名称"),
              known ? kTables[0].name + " " + kTables[0].columns[2] : "APP应用");
    EXPECT_EQ(Address(kCentre, "WebBrowser1"), "about:blank");
    program.DestroyWindow(kCentre);
  }
}

TEST_F(ColumnsTest, NewWindowRequestOpensThePlayerInsteadOfABrowserWindow) {
  struct Case {
    std::string player, centre;
    bool cancelled, old_player_closed, centre_closed;
  };
  const Case cases[] = {
      {"1", "1", true, false, false}, {"2", "1", true, true, false},  {"1", "2", true, false, true},
      {"", "1", false, false, false}, {"2", "3", false, true, false},
  };
  program.MoveControl(kMain, "", -10, 0);
  int own_windows = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE("PlayerOpen " + c.player + ", APPWindows " + c.centre);
    const auto [player_before, centre_before] =
        Open(c.player, c.centre, "PlayerOpen", "APPWindows");
    EXPECT_EQ(view.RequestNewWindow(kMain, "WebBrowser1"), c.cancelled);
    own_windows += c.cancelled ? 0 : 1;
    EXPECT_EQ(view.OwnBrowserWindows(), own_windows);
    EXPECT_EQ(program.IsLoaded(kCentre), !c.centre_closed);
    if (c.centre_closed) {
      EXPECT_EQ(run.Config("APPWindows"), "1");
    }
    EXPECT_EQ(Generation(kPlayer) == player_before, !c.old_player_closed);
    EXPECT_EQ(program.IsLoaded(kPlayer), c.cancelled || !c.old_player_closed);
    if (c.cancelled) {
      EXPECT_EQ(Get(kPlayer, "", Prop::Left), 20);
      EXPECT_EQ(Get(kPlayer, "", Prop::Top), 30);
    }
  }
  view.HoverLink(kMain, "WebBrowser1", "http://videos.example/v/2");
  EXPECT_EQ(program.Shared().LastStatusText, "http://videos.example/v/2");
  EXPECT_EQ(Text(kMain, "状态条1"), "http://videos.example/v/2");
}

TEST_F(ColumnsTest, TheAddressANewWindowRequestNamesIsThePlayersNotTheLastHoveredLink) {
  Open("1", "1", "PlayerOpen", "APPWindows");
  view.HoverLink(kMain, "WebBrowser1", "http://videos.example/hovered");
  ASSERT_TRUE(view.RequestNewWindow(kMain, "WebBrowser1", "http://videos.example/asked"));
  EXPECT_EQ(program.Shared().LastStatusText, "http://videos.example/asked");
  EXPECT_EQ(Address(kPlayer, "WebBrowser10"), "http://videos.example/asked");

  // A mouse click names nothing of its own: the hovered link stays the one.
  program.DestroyWindow(kPlayer);
  run.SetConfig("PlayerOpen", "1");
  view.HoverLink(kMain, "WebBrowser1", "http://videos.example/clicked");
  ASSERT_TRUE(view.RequestNewWindow(kMain, "WebBrowser1"));
  EXPECT_EQ(Address(kPlayer, "WebBrowser10"), "http://videos.example/clicked");
}

}  // namespace
}  // namespace lumora
