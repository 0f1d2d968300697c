// The browsers' navigation menus on the headless view: the menu of the language stored in
// Config.ini at the moment of the right click, popped at the pointer, each item acting on
// its own browser only.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "forms/browser_menus.h"
#include "platform/headless/headless_view.h"
#include "platform/headless/recording_system.h"
#include "tests/behaviour/run_directory.h"
#include "windows/behaviours.h"

namespace lumora {
namespace {

class BrowserMenuTest : public ::testing::Test {
 protected:
  // The items of a menu of the window, as the view would list them.
  std::vector<std::string> ItemsOf(WindowId window, std::string_view menu) const {
    std::vector<std::string> items;
    bool inside = false;
    for (const MenuItemDef& m : program.Definition(window).menus) {
      if (m.level == 0)
        inside = m.text == menu;
      else if (inside && m.level == 1 && m.visible)
        items.emplace_back(m.text);
    }
    return items;
  }
  // Right-clicks the browser; returns the menu that popped up, "" for none.
  std::string RightClick(WindowId window, std::string_view browser) {
    const std::size_t before = view.Menus().size();
    view.RightClick(window, browser);
    if (view.Menus().size() == before) return "";
    EXPECT_EQ(view.Menus().size(), before + 1);
    EXPECT_FALSE(view.Menus().back().at.has_value()) << "menus pop up at the pointer";
    EXPECT_EQ(view.Menus().back().window, window);
    return view.Menus().back().menu;
  }

  testing::RunDirectory run;
  HeadlessView view;
  RecordingSystem system;
  Program program{ProgramCatalogue(), view, system, ProgramEnvironment{run.Path(), "lumora"}};
};

TEST_F(BrowserMenuTest, TraditionalChineseOnTheApplicationBrowserActsOnItAlone) {
  run.SetConfig("Language", "2");
  program.LoadWindow(WindowId::AppCentreWindow);
  view.ChooseNextMenuItem("繁体专用菜单/返回");
  EXPECT_EQ(RightClick(WindowId::AppCentreWindow, "WebBrowser应用专用"), "繁体专用菜单");
  EXPECT_EQ(ItemsOf(WindowId::AppCentreWindow, "繁体专用菜单"),
            (std::vector<std::string>{"返回", "前進", "-", "重新載入", "-", "停止"}));
  ASSERT_EQ(view.BrowserCommands().size(), 1u);
  EXPECT_EQ(view.BrowserCommands()[0].window, WindowId::AppCentreWindow);
  EXPECT_EQ(view.BrowserCommands()[0].control, "WebBrowser应用专用");
  EXPECT_EQ(view.BrowserCommands()[0].command, BrowserCommand::GoBack);
}

// Every browser with menus, in every language: the right menu pops up, and its four items
// run back, forward, reload and stop on that browser and on no other.
TEST_F(BrowserMenuTest, EachBrowserGetsItsMenuPerLanguageAndEachItemItsCommand) {
  struct Case {
    WindowId window;
    std::string_view browser;
    std::string_view menus[3];
  };
  // clang-format off
  const Case cases[] = {
    {WindowId::MainWindow,      "WebBrowser1",        {"简体右键", "繁体右键", "英语右键"}},
    {WindowId::AppCentreWindow, "WebBrowser1",        {"简体菜单", "繁体菜单", "英语菜单"}},
    {WindowId::AppCentreWindow, "WebBrowser应用专用", {"简体专用菜单", "繁体专用菜单", "英语专用菜单"}},
    {WindowId::AppWindow,       "WebBrowser1",        {"jt", "ft", "yy"}},
    {WindowId::PopUnderWindow,  "超文本界面框1",      {"中文", "繁体", "英语"}},
  };
  // clang-format on
  const BrowserCommand commands[] = {BrowserCommand::GoBack, BrowserCommand::GoForward,
                                     BrowserCommand::Refresh, BrowserCommand::Stop};
  for (const Case& c : cases) {
    program.LoadWindow(c.window);
    // Content browsers stay hidden behind the loading page until their page has loaded.
    view.CompleteDocument(c.window, c.browser, "about:blank");
    for (int language = 1; language <= 3; ++language) {
      SCOPED_TRACE(std::string(WindowName(c.window)) + " " + std::string(c.browser) + " " +
                   std::to_string(language));
      run.SetConfig("Language", std::to_string(language));
      const std::string menu(c.menus[language - 1]);
      std::vector<std::string> items;
      for (const std::string& item : ItemsOf(c.window, menu)) {
        if (item != "-") items.push_back(item);
      }
      ASSERT_EQ(items.size(), 4u);
      for (int i = 0; i < 4; ++i) {
        const std::size_t before = view.BrowserCommands().size();
        view.ChooseNextMenuItem(menu + "/" + items[i]);
        EXPECT_EQ(RightClick(c.window, c.browser), menu);
        ASSERT_EQ(view.BrowserCommands().size(), before + 1) << items[i];
        const auto& call = view.BrowserCommands().back();
        EXPECT_EQ(call.window, c.window);
        EXPECT_EQ(call.control, c.browser) << items[i];
        EXPECT_EQ(call.command, commands[i]) << items[i];
      }
    }
  }
}

TEST_F(BrowserMenuTest, LanguageIsReadAtEveryClickAndComparedAsANumber) {
  program.LoadWindow(WindowId::AppWindow);
  view.CompleteDocument(WindowId::AppWindow, "WebBrowser1", "about:blank");
  struct Case {
    const char* stored;
    const char* menu;
  };
  const Case cases[] = {
      {"3.00000001", "yy"}, {"1.0", "jt"}, {"01", "jt"},   {" 2", "ft"}, {"2.9999999", "yy"},
      {"3.1", ""},          {"", ""},      {"0", ""},      {"abc", ""},  {"4", ""},
      {"-1", ""},           {"1e0", "jt"}, {"2abc", "ft"},
  };
  for (const Case& c : cases) {
    run.SetConfig("Language", c.stored);
    EXPECT_EQ(RightClick(WindowId::AppWindow, "WebBrowser1"), c.menu) << '"' << c.stored << '"';
  }
  std::filesystem::remove(ConfigFilePath(run.Path()));
  EXPECT_EQ(RightClick(WindowId::AppWindow, "WebBrowser1"), "");
  EXPECT_TRUE(view.BrowserCommands().empty());  // dismissed menus do nothing
}

TEST_F(BrowserMenuTest, PlayerAndOtherControlsHaveNoMenu) {
  run.SetConfig("Language", "1");
  program.LoadWindow(WindowId::PlayerWindow);
  program.LoadWindow(WindowId::MainWindow);
  EXPECT_EQ(RightClick(WindowId::PlayerWindow, "WebBrowser10"), "");
  EXPECT_EQ(RightClick(WindowId::MainWindow, "toppic"), "");
  // A browser without menus asked for one directly gets none either.
  ShowBrowserMenu(program, WindowId::MainWindow, "WebBrowser2");
  EXPECT_TRUE(view.Menus().empty());
}

TEST_F(BrowserMenuTest, MainWindowReloadsWithItsOwnWording) {
  run.SetConfig("Language", "1");
  program.LoadWindow(WindowId::MainWindow);
  view.ChooseNextMenuItem("简体右键/从新载入");
  RightClick(WindowId::MainWindow, "WebBrowser1");
  run.SetConfig("Language", "2");
  view.ChooseNextMenuItem("繁体右键/從新載入");
  RightClick(WindowId::MainWindow, "WebBrowser1");
  ASSERT_EQ(view.BrowserCommands().size(), 2u);
  EXPECT_EQ(view.BrowserCommands()[0].command, BrowserCommand::Refresh);
  EXPECT_EQ(view.BrowserCommands()[1].command, BrowserCommand::Refresh);
}

}  // namespace
}  // namespace lumora
