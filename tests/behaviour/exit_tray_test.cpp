// The close button, the tray icon, the option menu and the exit sequence with the service's
// exit pages: every way out of the program, and every way it must stay.
#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <string>

#include "launcher/start.h"
#include "service/pages.h"
#include "service/service_client.h"
#include "tests/behaviour/program_fixture.h"

namespace lumora {
namespace {

using testing::kTables;

class ExitTrayTest : public testing::ProgramFixture {
 protected:
  void StartWithSwitch(std::string_view startup_switch) {
    Page(kStartupSwitchPage, startup_switch);
    Start();
  }
  void ChooseFromOptionMenu(const std::string& item) {
    view.ChooseNextMenuItem(item);
    view.Click(kMain, "选项按钮");
  }
};

TEST_F(ExitTrayTest, CloseHidesToTheTrayAndTheIconBringsTheWindowBack) {
  StartWithSwitch("开");
  for (const int kind : {1, 2}) {
    view.Click(kMain, "关闭按钮");
    EXPECT_FALSE(Visible(kMain, ""));
    ASSERT_EQ(view.TrayIcons().count(kMain), 1u);
    EXPECT_EQ(view.TrayIcons().at(kMain).icon_path, (run.Path() / "Icon/TrayLOGO.ico").string());
    EXPECT_EQ(view.TrayIcons().at(kMain).tooltip, "点击本图标显示主程序");
    const int trims = system.trims;
    view.RunFor(1000);
    EXPECT_EQ(system.trims - trims, 5) << "memory is trimmed in the tray too";
    view.Tray(kMain, 4);
    EXPECT_FALSE(Visible(kMain, ""));
    view.Tray(kMain, kind);
    EXPECT_TRUE(Visible(kMain, ""));
    EXPECT_EQ(view.BroughtToFront(), std::vector<WindowId>(kind, kMain));
  }
  // Other settings leave the window as it is; with no notification area it minimizes.
  for (const char* tray : {"", "3", "01"}) {
    run.SetConfig("Tray", tray);
    view.Click(kMain, "关闭按钮");
    EXPECT_TRUE(Visible(kMain, "")) << tray;
  }
  run.SetConfig("Tray", "1");
  view.SetTrayAvailable(false);
  view.Click(kMain, "关闭按钮");
  EXPECT_TRUE(Visible(kMain, ""));
  EXPECT_EQ(Get(kMain, "", Prop::WindowState), kWindowStateMinimized);
}

TEST_F(ExitTrayTest, ARestoreByTheWindowManagerIsWhatTheTrayIconBringsBack) {
  StartWithSwitch("开");
  view.Click(kMain, "最小化按钮");
  EXPECT_EQ(Get(kMain, "", Prop::WindowState), kWindowStateMinimized);
  view.WindowManagerPlaces(kMain, Rect{50, 50, 984, 624});  // restored from the task bar
  EXPECT_EQ(Get(kMain, "", Prop::WindowState), kWindowStateNormal);
  view.Click(kMain, "关闭按钮");
  view.Tray(kMain, 1);
  EXPECT_TRUE(Visible(kMain, ""));
  EXPECT_EQ(Get(kMain, "", Prop::WindowState), kWindowStateNormal) << "shown, not minimized";
  // A minimize by the window manager is a fact too; nothing runs for it.
  view.WindowManagerPlaces(kMain, Rect{50, 50, 984, 624}, true);
  EXPECT_EQ(Get(kMain, "", Prop::WindowState), kWindowStateMinimized);
  view.Tray(kMain, 1);
  EXPECT_EQ(Get(kMain, "", Prop::WindowState), kWindowStateNormal) << "the icon restores it";
}

TEST_F(ExitTrayTest, OptionMenuFollowsTheStoredLanguage) {
  StartWithSwitch("开");
  view.Click(kMain, "关闭按钮");
  view.SetCursorPosition({700, 500});
  struct Case {
    const char* language;
    std::optional<std::string> menu;
  };
  const Case cases[] = {
      {"1", "选项按钮菜单"}, {"2", "繁体菜单"},   {"3.00000001", "英文菜单"},
      {"", std::nullopt},    {"4", std::nullopt}, {"3.1", std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.language);
    run.SetConfig("Language", c.language);
    const std::size_t before = view.Menus().size();
    view.Tray(kMain, 3);
    view.Tray(kMain, 1);
    program.SetProperty(kMain, "", Prop::TopMost, true);
    view.Click(kMain, "选项按钮");
    ASSERT_EQ(view.Menus().size(), before + (c.menu ? 2 : 0));
    // The menu must not open behind a window kept on top; without a menu nothing changes.
    EXPECT_EQ(AsBool(program.GetProperty(kMain, "", Prop::TopMost)), !c.menu);
    if (!c.menu) continue;
    const auto& tray_menu = view.Menus()[before];
    EXPECT_EQ(tray_menu.menu + "|" + view.Menus().back().menu, *c.menu + "|" + *c.menu);
    ASSERT_TRUE(tray_menu.at.has_value());
    EXPECT_EQ(tray_menu.at->x * 10000 + tray_menu.at->y, 7000500);
    EXPECT_FALSE(view.Menus().back().at.has_value()) << "the option button's: at the pointer";
  }
}

TEST_F(ExitTrayTest, MenuItemsOpenTheDialogsAndTheEncodedChat) {
  StartWithSwitch("开");
  view.At(view.Now() + 100, [&] {
    EXPECT_TRUE(program.IsLoaded(WindowId::SettingsWindow));
    program.DestroyWindow(WindowId::SettingsWindow);
  });
  ChooseFromOptionMenu("选项按钮菜单/软件选项");
  EXPECT_GE(view.Now(), 5100) << "modal: the menu returns when the dialog has closed";

  // A service text must not be able to add or change query keys.
  Page(kCustomerServiceAccountPage, "12345&Menu=no#x");
  run.SetConfig("Language", "3");
  ChooseFromOptionMenu("英文菜单/Contact us");
  EXPECT_EQ(system.opened_urls,
            std::vector<std::string>{ServiceBase() +
                                     "kefu/chat.html?uin=12345%26Menu%3Dno%23x&Site=%BC%F2%D3%B0&Menu=yes"});
}

struct ExitCase {
  std::string startup, popup, override_switch, override_value;  // "-": unpublished
  bool pages_asked, ends, popup_shown;
  std::string language_after;
};

void PrintTo(const ExitCase& c, std::ostream* os) {
  *os << c.startup << " " << c.popup << " " << c.override_switch << " " << c.override_value;
}

// clang-format off
const ExitCase kExitCases[] = {
  // startup popup override value       asked  ends   popup  Language
  {"开",  "开",  "开",   "3",          false, true,  false, "1"},
  {"-",   "开",  "开",   "3",          false, true,  false, "1"},
  {"关",  "开",  "开",   "3",          true,  false, true,  "3"},
  {"关",  "开",  "关",   "3",          true,  false, true,  "1"},
  {"关",  "关",  "开",   "2",          true,  true,  false, "2"},
  {"关",  "关",  "关",   "2",          true,  true,  false, "1"},
  {"关",  "开",  "开\n", "3",          true,  true,  false, "1"},
  {"关",  "开 ", "开",   "3",          true,  true,  false, "1"},
  {"关",  "-",   "-",    "-",          true,  true,  false, "1"},
  // A failed or empty answer keeps the stored language.
  {"关",  "关",  "开",   "-",          true,  true,  false, "1"},
  {"关",  "关",  "开",   "",           true,  true,  false, "1"},
  {"关",  "关",  "开",   "\nTray=2",   true,  true,  false, "1"},
  {"关",  "关",  "开",   "9",          true,  true,  false, "9"},
  // Only the first line is written: the page cannot add items to Config.ini.
  {"关",  "关",  "开",   "3\r\nTray=2", true, true,  false, "3"},
};
// clang-format on

class ExitSequenceTest : public ExitTrayTest, public ::testing::WithParamInterface<ExitCase> {};

TEST_P(ExitSequenceTest, QuitFollowsTheServicesExitPages) {
  const ExitCase& c = GetParam();
  StartWithSwitch(c.startup);
  Page(kExitPopupSwitchPage, c.popup);
  Page(kLanguageOverrideSwitchPage, c.override_switch);
  Page(kLanguageOverridePage, c.override_value);
  ChooseFromOptionMenu("选项按钮菜单/退出");
  EXPECT_EQ(Requested(kLanguageOverrideSwitchPage) + Requested(kLanguageOverridePage),
            c.pages_asked ? 2 : 0);
  EXPECT_EQ(program.IsLoaded(kMain), !c.ends);
  EXPECT_EQ(program.IsLoaded(WindowId::ExitPopupWindow), c.popup_shown);
  EXPECT_EQ(Visible(kMain, ""), !c.ends && !c.popup_shown);
  EXPECT_EQ(run.Config("Language") + "|" + run.Config("Tray"), c.language_after + "|1");
  EXPECT_TRUE(view.TrayIcons().empty());
}

INSTANTIATE_TEST_SUITE_P(Pages, ExitSequenceTest, ::testing::ValuesIn(kExitCases));

TEST_F(ExitTrayTest, CloseRunsTheExitWhenItAnswersAndTheNextStartTakesTheNewLanguage) {
  run.SetConfig("Tray", "2");
  StartWithSwitch("关");
  On(kExitPopupSwitchPage);
  On(kLanguageOverrideSwitchPage);
  Page(kLanguageOverridePage, "3");
  view.At(view.Now() + 10, [&] { view.Click(kMain, "关闭按钮"); });
  program.RunMessageLoop();
  EXPECT_EQ(run.Config("Language"), "3");

  On(kStartupSwitchPage);
  HeadlessView next_view;
  RecordingSystem next_system;
  Program next{ProgramCatalogue(), next_view, next_system,
               ProgramEnvironment{run.Path(), "lumora"}};
  next.LoadWindow(kMain);
  EXPECT_EQ(next.Shared().ProductName, kTables[2].name);
}

// A service that stops answering after the start-up holds the exit for one page's bound, not
// one per page: once a page has run out of time the exit asks nothing more, and the program
// ends without the pop-up, as whenever the exit hears no clear answer.
TEST_F(ExitTrayTest, AServiceThatStopsAnsweringHoldsTheExitForOnePageOnly) {
  run.SetConfig("Tray", "2");
  StartWithSwitch("关");
  for (std::string_view page :
       {kExitPopupSwitchPage, kLanguageOverrideSwitchPage, kLanguageOverridePage}) {
    server.Set("/" + std::string(page), testing::TestServer::Silent());
  }
  view.Click(kMain, "关闭按钮");
  EXPECT_FALSE(program.IsLoaded(kMain) || program.IsLoaded(WindowId::ExitPopupWindow));
  EXPECT_EQ(Requested(kExitPopupSwitchPage), 1);
  EXPECT_EQ(Requested(kLanguageOverrideSwitchPage), 0);
  EXPECT_EQ(Requested(kLanguageOverridePage), 0);
}

}  // namespace
}  // namespace lumora
