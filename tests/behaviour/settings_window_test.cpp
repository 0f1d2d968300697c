// SettingsWindow on the headless view: texts and pictures per language, the boxes preset from
// Config.ini, what saving writes, the restart after a change of language, and the tabs that
// swap it with AboutWindow.
#include <gtest/gtest.h>

#include <array>
#include <map>
#include <string>
#include <vector>

#include "tests/behaviour/dialog_fixture.h"

namespace lumora {
namespace {

using testing::kNames;
using testing::kProgramFile;

class SettingsWindowTest : public testing::DialogFixture {
 protected:
  // The checked boxes, in window order, blank-separated.
  std::string CheckedBoxes() const {
    std::string all;
    for (const char* box :
         {"开机启动", "简体", "繁体", "英语", "模式1", "模式2", "模式3", "屏保选择", "始终置顶4"}) {
      if (Checked(box)) all += all.empty() ? box : std::string(" ") + box;
    }
    return all;
  }
  std::string ProgramPath() const { return (run.Path() / kProgramFile).string(); }
};

TEST_F(SettingsWindowTest, TextsAndPicturesFollowTheOpeningLanguage) {
  struct Case {
    std::string language;
    bool name_page;
    std::string caption, start_label, hint;
    std::string options_tab, about_tab, confirm;
  };
  // clang-format off
  const Case cases[] = {
    {"1", true, kNames[0] + "设置窗口", "开机启动", "WindowsVista/7/8系统，推荐使用EVR",
     "OptionA.gif|OptionA.gif|OptionA.gif", "AboutB.gif|AboutB.gif|AboutB.gif", "ConfirmA.gif|ConfirmB.gif|ConfirmA.gif"},
    {"2", true, kNames[1] + "設置窗口", "開機啓動", "WindowsVista/7/8系統，推薦使用EVR",
     "OptionE.gif|OptionE.gif|OptionE.gif", "AboutD.gif|AboutD.gif|AboutD.gif", "ConfirmC.gif|ConfirmD.gif|ConfirmC.gif"},
    {"3", true, kNames[2] + "Settings", "Auto", "WindowsVista/7/8, recommend the use of EVR",
     "OptionG.gif|OptionG.gif|OptionG.gif", "AboutF.gif|AboutF.gif|AboutF.gif", "ConfirmE.gif|ConfirmF.gif|ConfirmE.gif"},
    // The name page cannot be fetched: the suffix alone.
    {"3", false, "Settings", "Auto", "WindowsVista/7/8, recommend the use of EVR",
     "OptionG.gif|OptionG.gif|OptionG.gif", "AboutF.gif|AboutF.gif|AboutF.gif", "ConfirmE.gif|ConfirmF.gif|ConfirmE.gif"},
    // No known language: the design texts and no pictures on the tabs and buttons.
    {"7", true, "Vellmark影音系列设置窗口", "开机启动", "WindowsVista/7/8系统，推荐使用VMR9",
     "||", "||", "||"},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.language + (c.name_page ? "" : " without name page"));
    Page(kProductNamePages[2], c.name_page ? kNames[2] : "-");
    run.SetConfig("Language", c.language);
    run.SetConfig("First", "");
    program.LoadWindow(kSettings);
    EXPECT_EQ(run.Config("First"), c.language);
    EXPECT_EQ(Text(kSettings, ""), c.caption);
    EXPECT_EQ(Text(kSettings, "透明标签1"), c.start_label);
    EXPECT_EQ(Text(kSettings, "透明标签11"), c.hint);
    EXPECT_EQ(Button(kSettings, "选项按钮"), c.options_tab);
    EXPECT_EQ(Button(kSettings, "关于按钮"), c.about_tab);
    EXPECT_EQ(Button(kSettings, "图形按钮1"), c.confirm);
    // The same in every language.
    EXPECT_EQ(Text(kSettings, "透明标签4") + Text(kSettings, "取消置顶标签") +
                  Text(kSettings, "取消置顶标签1"),
              "中文简体中文繁體English");
    EXPECT_EQ(Picture(kSettings, "", Prop::BackgroundPicture), "BackgroundA.gif");
    EXPECT_EQ(Button(kSettings, "关闭按钮"), "CloseA.gif|CloseB.gif|CloseA.gif");
    view.Click(kSettings, "关闭按钮");
    EXPECT_FALSE(program.IsLoaded(kSettings));
  }
}

TEST_F(SettingsWindowTest, BoxesShowTheStoredOptions) {
  struct Case {
    std::array<std::string, 5> stored;  // Start, Language, Rendering, Screen, Tray
    std::string checked;
  };
  const Case cases[] = {
      {{"1", "1", "1", "1", "1"}, "开机启动 简体 模式1 屏保选择 始终置顶4"},
      {{"0", "2", "2", "0", "2"}, "繁体 模式2"},
      // Numbers where numbers are meant; the tray item must be exactly "1".
      {{"1.0", "03", "3.00000001", "1e0", "01"}, "开机启动 英语 模式3 屏保选择"},
      {{"", "", "", "", "0"}, ""},
      {{"2", "4", "0", "yes", "true"}, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.checked);
    const char* keys[] = {"Start", "Language", "Rendering", "Screen", "Tray"};
    for (std::size_t i = 0; i < 5; ++i) run.SetConfig(keys[i], c.stored[i]);
    program.LoadWindow(kSettings);
    EXPECT_EQ(CheckedBoxes(), c.checked);
    const SharedState& s = program.Shared();
    EXPECT_EQ((std::array<std::string, 5>{s.SettingsStart, s.SettingsLanguageChoice,
                                          s.SettingsRendering, s.SettingsScreen, s.TraySetting}),
              c.stored);
    program.DestroyWindow(kSettings);
  }
}

// What confirming writes, from the stored options and the boxes the user clicked.
TEST_F(SettingsWindowTest, SavingWritesWhatTheBoxesShow) {
  struct Case {
    std::map<std::string, std::string> stored;
    std::vector<std::string> clicks;
    std::map<std::string, std::string> saved;  // Start, Tray, Rendering, Screen
    bool autorun;
    bool screen_saver_active;
  };
  const std::string none;
  const Case cases[] = {
      // A tray value that is neither "1" nor "2" shows unchecked and is saved as "2".
      {{{"Tray", "0"}},
       {},
       {{"Start", "0"}, {"Tray", "2"}, {"Rendering", ""}, {"Screen", "0"}},
       false,
       true},
      // Clicking the checked mode clears it, and no mode leaves the stored one alone.
      {{{"Rendering", "2"}}, {"模式2"}, {{"Rendering", "2"}}, false, true},
      {{{"Rendering", "2"}}, {"模式3"}, {{"Rendering", "3"}}, false, true},
      {{{"Rendering", "3"}}, {"模式1", "模式2"}, {{"Rendering", "2"}}, false, true},
      {{{"Start", "0"}, {"Tray", "2"}},
       {"开机启动", "始终置顶4"},
       {{"Start", "1"}, {"Tray", "1"}},
       true,
       true},
      {{{"Start", "1"}, {"Screen", "1"}},
       {"开机启动"},
       {{"Start", "0"}, {"Screen", "1"}},
       false,
       false},
      {{{"Screen", "1"}}, {"屏保选择"}, {{"Screen", "0"}}, false, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.clicks.empty() ? "no clicks" : c.clicks.front());
    for (const char* key : {"Start", "Tray", "Rendering", "Screen"}) run.SetConfig(key, "");
    for (const auto& [key, value] : c.stored) run.SetConfig(key, value);
    system.autorun = {{kProgramFile, "stale"}};
    system.screen_saver_calls.clear();
    program.LoadWindow(kSettings);
    for (const std::string& box : c.clicks) view.Click(kSettings, box);
    view.Click(kSettings, "图形按钮1");
    EXPECT_FALSE(program.IsLoaded(kSettings));
    for (const auto& [key, value] : c.saved) EXPECT_EQ(run.Config(key), value) << key;
    if (c.autorun) {
      EXPECT_EQ(system.autorun,
                (std::map<std::string, std::string>{{kProgramFile, ProgramPath()}}));
    } else {
      EXPECT_TRUE(system.autorun.empty());
    }
    EXPECT_EQ(system.screen_saver_calls, std::vector<bool>{c.screen_saver_active});
  }
  EXPECT_TRUE(system.started.empty());
  EXPECT_FALSE(program.Ended());
}

// The language is stored at the click. Saving restarts only when it then differs from the
// one the dialog opened with; cancelling never restarts and drops the other changes.
TEST_F(SettingsWindowTest, LanguageIsStoredAtTheClickAndRestartsOnlyWhenSavedChanged) {
  run.SetConfig("Tray", "1");
  program.LoadWindow(kSettings);
  view.Click(kSettings, "英语");
  EXPECT_EQ(run.Config("Language"), "3");
  view.Click(kSettings, "简体");
  view.Click(kSettings, "图形按钮3");
  EXPECT_TRUE(program.IsLoaded(kSettings));  // apply keeps the dialog open

  view.Click(kSettings, "繁体");
  EXPECT_EQ(run.Config("Language"), "2");
  EXPECT_EQ(CheckedBoxes(), "繁体 始终置顶4");
  view.Click(kSettings, "始终置顶4");
  view.Click(kSettings, "图形按钮2");
  EXPECT_FALSE(program.IsLoaded(kSettings));
  EXPECT_EQ(run.Config("Language"), "2");
  EXPECT_EQ(run.Config("Tray"), "1");
  EXPECT_TRUE(system.started.empty());
  EXPECT_FALSE(program.Ended());
  // Windows opened from now on speak the new language.
  program.LoadWindow(kSettings);
  EXPECT_EQ(Text(kSettings, ""), kNames[1] + "設置窗口");
}

class RestartTest : public SettingsWindowTest, public ::testing::WithParamInterface<const char*> {};

// Apply and confirm alike: every option is stored before the new instance starts, from the
// program's own path as one argument, and only then does this one end.
TEST_P(RestartTest, OtherLanguageStoresTheOptionsThenStartsANewInstanceAndEnds) {
  for (const auto& [key, value] :
       {std::pair{"Start", "0"}, {"Tray", "2"}, {"Rendering", "1"}, {"Screen", "0"}}) {
    run.SetConfig(key, value);
  }
  std::string stored_at_start;
  system.on_start = [&] {
    for (const char* key : {"Language", "Start", "Tray", "Rendering", "Screen"}) {
      stored_at_start += run.Config(key);
    }
    EXPECT_FALSE(program.Ended());
  };
  program.LoadWindow(kSettings);
  for (const char* box : {"英语", "开机启动", "始终置顶4", "模式3", "屏保选择"}) {
    view.Click(kSettings, box);
  }
  view.Click(kSettings, GetParam());
  EXPECT_EQ(stored_at_start, "31131");
  EXPECT_EQ(system.autorun.at(kProgramFile), ProgramPath());
  EXPECT_EQ(system.screen_saver_calls, std::vector<bool>{false});
  ASSERT_EQ(system.started.size(), 1u);
  EXPECT_EQ(system.started[0].path, ProgramPath());
  EXPECT_TRUE(system.started[0].args.empty());
  EXPECT_TRUE(program.Ended());
  EXPECT_EQ(program.ExitCode(), 0);
}

std::string ButtonName(const ::testing::TestParamInfo<const char*>& param) {
  return std::string(param.param) == "图形按钮3" ? "Apply" : "Confirm";
}

INSTANTIATE_TEST_SUITE_P(Buttons, RestartTest, ::testing::Values("图形按钮3", "图形按钮1"),
                         ButtonName);

// Ending without a new instance would leave the user with nothing running.
TEST_F(SettingsWindowTest, ProgramStaysWhenTheNewInstanceCannotStart) {
  system.start_fails = true;
  program.LoadWindow(kSettings);
  view.Click(kSettings, "繁体");
  view.Click(kSettings, "图形按钮1");
  EXPECT_FALSE(program.Ended());
  EXPECT_FALSE(program.IsLoaded(kSettings));
  EXPECT_EQ(run.Config("Language"), "2");
}

// Each tab closes its own dialog and opens the other one modally in its place; the own tab
// and About's apply button do nothing. The first opener waits until the last dialog closes.
TEST_F(SettingsWindowTest, TabsReplaceEachOtherModally) {
  std::vector<std::string> seen;
  auto note = [&] {
    seen.push_back(std::string(program.IsLoaded(kSettings) ? "S" : "") +
                   (program.IsLoaded(kAbout) ? "A" : ""));
  };
  view.At(100, [&] {
    note();
    view.Click(kSettings, "选项按钮");
    note();
    view.Click(kSettings, "关于按钮");  // runs About's loop until it closes
  });
  view.At(200, [&] {
    note();
    view.Click(kAbout, "关于按钮");
    view.Click(kAbout, "图形按钮3");
    note();
    view.Click(kAbout, "选项按钮");
  });
  view.At(300, [&] {
    note();
    view.Click(kSettings, "关于按钮");
  });
  view.At(400, [&] {
    note();
    view.Click(kAbout, "图形按钮2");
    note();
  });
  program.LoadWindow(kSettings, true);
  EXPECT_EQ(view.Now(), 400);
  EXPECT_EQ(seen, (std::vector<std::string>{"S", "S", "A", "A", "S", "A", ""}));
  EXPECT_EQ(view.StalledLoops(), 0);
}

}  // namespace
}  // namespace lumora
