// PlayerWindow on the headless view: opened from a link of the main page, the loading page in
// front until the player page has loaded, the open flags, and the captions per language.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "service/pages.h"
#include "tests/behaviour/program_fixture.h"

namespace lumora {
namespace {

constexpr WindowId kPlayer = WindowId::PlayerWindow;
const std::vector<int> kContentArea = {0, 28, 984, 596};

class PlayerWindowTest : public testing::ProgramFixture {
 protected:
  std::vector<int> Geometry(std::string_view control) const {
    return {Get(kPlayer, control, Prop::Left), Get(kPlayer, control, Prop::Top),
            Get(kPlayer, control, Prop::Width), Get(kPlayer, control, Prop::Height)};
  }
  std::string Flags() const { return run.Config("PlayerWindows") + run.Config("PlayerOpen"); }
};

TEST_F(PlayerWindowTest, LinkOpensThePlayerBehindTheLoadingPageUntilItsPageHasLoaded) {
  On(kStartupSwitchPage);
  Start();
  EXPECT_EQ(Flags(), "11");
  const std::string link = "http://videos.example/play?id=7&t=0";
  view.HoverLink(kMain, "WebBrowser1", link);
  ASSERT_TRUE(view.RequestNewWindow(kMain, "WebBrowser1"));
  ASSERT_TRUE(program.IsLoaded(kPlayer));
  EXPECT_EQ(Flags(), "22");

  EXPECT_EQ(Address(kPlayer, "WebBrowser10"), link);
  EXPECT_FALSE(Visible(kPlayer, "WebBrowser10"));
  EXPECT_TRUE(Visible(kPlayer, "WebBrowser2"));
  EXPECT_EQ(Address(kPlayer, "WebBrowser2"), (run.Path() / "Html/Loading.html").string());
  EXPECT_EQ(Geometry("WebBrowser2"), kContentArea);

  // The first completed document, and again for each frame of the page: only the player.
  for (int document = 0; document < 2; ++document) {
    view.CompleteDocument(kPlayer, "WebBrowser10", link);
    EXPECT_TRUE(Visible(kPlayer, "WebBrowser10"));
    EXPECT_FALSE(Visible(kPlayer, "WebBrowser2"));
    EXPECT_EQ(Geometry("WebBrowser10"), kContentArea);
  }
  // The loading page is never brought back, whatever it reports itself.
  view.CompleteDocument(kPlayer, "WebBrowser2", "file:///Loading.html");
  EXPECT_FALSE(Visible(kPlayer, "WebBrowser2"));

  view.Click(kPlayer, "关闭按钮");
  EXPECT_FALSE(program.IsLoaded(kPlayer));
  EXPECT_EQ(Flags(), "11");
}

TEST_F(PlayerWindowTest, CaptionAndTitleFollowTheLanguageBothChineseAlike) {
  program.Shared().ProductName = "Lumo";
  ExpectCaptionsPerLanguage(kPlayer, "透明标签1",
                            {
                                {"1", "Lumo 播放器", "Lumo 播放器"},
                                {"2", "Lumo 播放器", "Lumo 播放器"},
                                {"3", "Lumo Player", "Lumo Player"},
                                {"3.00000001", "Lumo Player", "Lumo Player"},
                                {"4", "", "Corvane播放器"},
                                {"", "", "Corvane播放器"},
                            });
}

}  // namespace
}  // namespace lumora
