// The window model on the headless view: lifecycle, the single-instance rule, timers,
// nested loops, operations on windows that are gone, and the end of the program.
#include <gtest/gtest.h>

#include "launcher/start.h"
#include "platform/headless/headless_view.h"
#include "platform/headless/recording_system.h"
#include "platform/program.h"
#include "platform/ui_turn.h"
#include "tests/behaviour/test_catalogue.h"

namespace lumora {
namespace {

using testing::Log;
constexpr WindowId kMain = WindowId::MainWindow;
constexpr WindowId kDialog = WindowId::AboutWindow;

class WindowModelTest : public ::testing::Test {
 protected:
  void SetUp() override { Log().Clear(); }
  void TearDown() override { Log().Clear(); }

  HeadlessView view;
  RecordingSystem system;
  Program program{testing::TestCatalogue(), view, system, ProgramEnvironment{"/nowhere", "lumora"}};
};

TEST_F(WindowModelTest, LoadCreatesFromDefinitionAndDestroyForgetsEverything) {
  program.LoadWindow(kMain);
  ASSERT_TRUE(program.IsLoaded(kMain));
  EXPECT_EQ(Log().entries, (std::vector<std::string>{"MainWindow::created"}));
  EXPECT_EQ(AsText(program.GetProperty(kMain, "", Prop::Text)), "Main");
  EXPECT_EQ(AsInt(program.GetProperty(kMain, "", Prop::Left)), 50);
  EXPECT_EQ(AsInt(program.GetProperty(kMain, "关闭按钮", Prop::Left)), 370);
  EXPECT_EQ(AsText(program.GetProperty(kMain, "标题", Prop::Text)), "Title");
  EXPECT_EQ(AsInt(program.GetProperty(kMain, "标题", Prop::TextColor)), 0x010203);
  EXPECT_EQ(program.GetClientWidth(kMain), 400);

  program.MoveControl(kMain, "关闭按钮", 10, std::nullopt, 30);
  EXPECT_EQ(AsInt(program.GetProperty(kMain, "关闭按钮", Prop::Left)), 10);
  EXPECT_EQ(AsInt(program.GetProperty(kMain, "关闭按钮", Prop::Top)), 4);  // omitted: kept
  EXPECT_EQ(AsInt(program.GetProperty(kMain, "关闭按钮", Prop::Width)), 30);

  program.DestroyWindow(kMain);
  EXPECT_FALSE(program.IsLoaded(kMain));
  // A closed window starts again from its definition.
  program.LoadWindow(kMain);
  EXPECT_EQ(AsInt(program.GetProperty(kMain, "关闭按钮", Prop::Left)), 370);
}

TEST_F(WindowModelTest, OperationsOnWindowsThatAreNotLoadedDoNothing) {
  // Never loaded, then loaded and gone: every operation is quiet and reads are empty.
  for (int round = 0; round < 2; ++round) {
    program.SetProperty(kDialog, "关闭按钮", Prop::Visible, false);
    program.MoveControl(kDialog, "关闭按钮", 1, 2, 3, 4);
    program.SetZOrder(kDialog, "关闭按钮", 2);
    program.NavigateBrowser(kDialog, "WebBrowser1", "http://x/");
    program.BrowserGoBack(kDialog, "WebBrowser1");
    program.PopupMenu(kDialog, "菜单");
    program.SetTrayIcon(kDialog, "icon", "tip");
    program.SetStatusText(kDialog, "状态条", 0, "x");
    program.DestroyWindow(kDialog);
    view.Click(kDialog, "关闭按钮");
    EXPECT_TRUE(std::holds_alternative<std::monostate>(
        program.GetProperty(kDialog, "关闭按钮", Prop::Left)));
    EXPECT_EQ(program.GetClientWidth(kDialog), 0);
    view.Post([&] { program.DestroyWindow(kDialog); });
    program.LoadWindow(kDialog, /*modal=*/true);
  }
  EXPECT_TRUE(view.Menus().empty());
  EXPECT_TRUE(view.TrayIcons().empty());
  // Unknown controls of a loaded window are equally quiet.
  program.LoadWindow(kMain);
  program.SetProperty(kMain, "没有", Prop::Visible, true);
  EXPECT_TRUE(std::holds_alternative<std::monostate>(program.GetProperty(kMain, "没有", Prop::Left)));
}

// The service fetches of one turn share one time-out, so a turn must end exactly where a loop
// ran: a creation event raised inside a click continues the click's turn; a wait, a menu or a
// message box ends it; the next event starts another; no program, no turn.
TEST_F(WindowModelTest, AUiTurnLastsUntilALoopRuns) {
  program.LoadWindow(kMain);
  std::vector<std::uint64_t> at;
  Log().on_created = [&](Program&) { at.push_back(CurrentUiTurn()); };
  Log().on_click = [&](Program& p) {
    at.push_back(CurrentUiTurn());
    p.LoadWindow(kDialog);
    at.push_back(CurrentUiTurn());
    p.Delay(10);
    at.push_back(CurrentUiTurn());
    p.PopupMenu(kMain, "菜单");
    at.push_back(CurrentUiTurn());
    p.ShowMessageBox("text", 0, "title");
    at.push_back(CurrentUiTurn());
  };
  view.Click(kMain, "关闭按钮");
  view.Click(kMain, "关闭按钮");
  ASSERT_EQ(at.size(), 12u);
  EXPECT_NE(at[0], 0u);
  EXPECT_EQ(at[1], at[0]) << "the dialog's creation inside the click";
  EXPECT_EQ(at[2], at[0]);
  for (std::size_t i : {3u, 4u, 5u}) EXPECT_GT(at[i], at[i - 1]) << i;
  EXPECT_GT(at[6], at[5]) << "the second click";

  {
    HeadlessView other_view;
    RecordingSystem other_system;
    Program other{testing::TestCatalogue(), other_view, other_system,
                  ProgramEnvironment{"/nowhere", "lumora"}};
  }
  EXPECT_EQ(CurrentUiTurn(), 0u);
}

TEST_F(WindowModelTest, LoadingALoadedWindowRunsCreationAgainOnTheSameInstance) {
  program.LoadWindow(kMain);
  const auto generation = program.Model().Find(kMain)->generation;
  program.SetProperty(kMain, "标题", Prop::Text, "changed");
  program.LoadWindow(kMain);
  EXPECT_EQ(program.Model().Find(kMain)->generation, generation);
  EXPECT_EQ(AsText(program.GetProperty(kMain, "标题", Prop::Text)), "changed");
  EXPECT_EQ(Log().entries.size(), 2u);
  EXPECT_EQ(view.BroughtToFront(), (std::vector<WindowId>{kMain}));
}

TEST_F(WindowModelTest, TimersTickAtTheirIntervalOnlyWhileLoadedAndNotZero) {
  program.LoadWindow(kMain);
  view.RunFor(1000);
  EXPECT_EQ(view.TimerTicksDelivered(), 10);

  program.SetProperty(kMain, "时钟", Prop::Interval, 0);
  view.RunFor(1000);
  EXPECT_EQ(view.TimerTicksDelivered(), 10);

  program.SetProperty(kMain, "时钟", Prop::Interval, 250);
  view.RunFor(1000);
  EXPECT_EQ(view.TimerTicksDelivered(), 14);

  // A handler that stops its own timer gets no further tick.
  Log().on_tick = [](Program& p) { p.SetProperty(kMain, "时钟", Prop::Interval, 0); };
  view.RunFor(1000);
  EXPECT_EQ(view.TimerTicksDelivered(), 15);

  program.SetProperty(kMain, "时钟", Prop::Interval, 100);
  Log().on_tick = nullptr;
  program.DestroyWindow(kMain);
  view.RunFor(1000);
  EXPECT_EQ(view.TimerTicksDelivered(), 15);
  // Reloaded, the timer starts from its design interval.
  program.LoadWindow(kMain);
  view.RunFor(100);
  EXPECT_EQ(view.TimerTicksDelivered(), 16);
}

TEST_F(WindowModelTest, DelayLetsOtherEventsRunAndSurvivesItsWindowBeingDestroyed) {
  program.LoadWindow(kMain);
  program.SetProperty(kMain, "时钟", Prop::Interval, 0);
  std::vector<std::string> seen;
  Log().on_created = nullptr;
  Log().on_click = [&](Program& p) {
    if (p.GetEventSource().control == "标题") {
      seen.push_back("label clicked inside the delay");
      p.DestroyWindow(kMain);
      return;
    }
    seen.push_back("delay starts");
    p.Delay(5000);
    // The window went away during the wait: everything after is a quiet no-op.
    p.SetProperty(kMain, "标题", Prop::Text, "after");
    p.MoveControl(kMain, "标题", 1, 1, 1, 1);
    seen.push_back("delay over at " + std::to_string(view.Now()));
  };
  view.At(2000, [&] { view.Click(kMain, "标题"); });
  view.Click(kMain, "关闭按钮");
  // The main window going away ends the wait at once: the program is on its way out.
  EXPECT_EQ(seen, (std::vector<std::string>{"delay starts", "label clicked inside the delay",
                                            "delay over at 2000"}));
  EXPECT_FALSE(program.IsLoaded(kMain));
}

TEST_F(WindowModelTest, ModalWindowReturnsWhenDestroyedAndEventsRunInsideIt) {
  program.LoadWindow(kMain);
  program.SetProperty(kMain, "时钟", Prop::Interval, 1000);
  std::vector<std::string> order;
  Log().on_click = [&](Program& p) {
    order.push_back("open dialog");
    p.LoadWindow(kDialog, /*modal=*/true);
    order.push_back("dialog closed at " + std::to_string(view.Now()));
  };
  view.At(3500, [&] { view.Click(kDialog, "关闭按钮"); });
  view.Click(kMain, "关闭按钮");
  EXPECT_EQ(order, (std::vector<std::string>{"open dialog", "dialog closed at 3500"}));
  EXPECT_EQ(view.TimerTicksDelivered(), 3);  // MainWindow's timer kept ticking meanwhile
  EXPECT_FALSE(program.IsLoaded(kDialog));
}

TEST_F(WindowModelTest, HiddenWindowIsShownOnlyWhenItsHandlerSaysSo) {
  program.LoadWindow(WindowId::RightPopupWindow);
  EXPECT_FALSE(AsBool(program.GetProperty(WindowId::RightPopupWindow, "", Prop::Visible)));
  view.Click(kMain, "隐藏按钮");  // MainWindow isn't loaded
  program.LoadWindow(kMain);
  view.Click(kMain, "隐藏按钮");  // a hidden control cannot be clicked
  EXPECT_EQ(Log().entries, (std::vector<std::string>{"MainWindow::created"}));
}

TEST_F(WindowModelTest, MenusRaiseTheChosenItemAndEventsCarryTheirSource) {
  program.LoadWindow(kMain);
  view.ChooseNextMenuItem("菜单/乙");
  program.PopupMenu(kMain, "菜单", Point{5, 6});
  program.PopupMenu(kMain, "菜单");  // dismissed
  ASSERT_EQ(view.Menus().size(), 2u);
  EXPECT_EQ(view.Menus()[0].at->x, 5);
  EXPECT_FALSE(view.Menus()[1].at.has_value());
  EXPECT_EQ(Log().entries.back(), "MainWindow:菜单/乙:menu");

  view.Click(kMain, "选择框");
  EXPECT_TRUE(AsBool(program.GetProperty(kMain, "选择框", Prop::Checked)));
  EXPECT_EQ(Log().entries.back(), "MainWindow:选择框:click");
  EXPECT_TRUE(view.RequestNewWindow(kMain, "WebBrowser1"));
  EXPECT_EQ(view.OwnBrowserWindows(), 0);
}

TEST_F(WindowModelTest, MessageLoopEndsWhenMainWindowIsDestroyed) {
  Log().on_click = [](Program& p) { p.DestroyWindow(kMain); };
  view.At(1234, [&] { view.Click(kMain, "关闭按钮"); });
  program.Shared().ProductName = "x";
  program.Shared().RightPopupCountdown = 5;
  EXPECT_EQ(RunStartRoutine(program), 0);
  EXPECT_EQ(view.Now(), 1234);
  EXPECT_EQ(view.StalledLoops(), 0);
  EXPECT_TRUE(program.Shared().ProductName.empty());     // the clean-up ran
  EXPECT_EQ(program.Shared().RightPopupCountdown, 5);     // the integer is left alone
}

TEST_F(WindowModelTest, StartUpThatDestroysMainWindowShowsItsMessageAndEnds) {
  // As when there is no network: destroy MainWindow first, then tell the user.
  Log().on_created = [](Program& p) {
    p.DestroyWindow(kMain);
    p.ShowMessageBox("no network", 0x30, "title");
  };
  EXPECT_EQ(RunStartRoutine(program), 0);
  ASSERT_EQ(view.MessageBoxes().size(), 1u);
  EXPECT_EQ(view.MessageBoxes()[0].flags, 0x30);
  EXPECT_EQ(view.StalledLoops(), 0);
}

TEST_F(WindowModelTest, EndProgramStopsEveryHandlerOnTheStackAndRunsTheCleanUpOnce) {
  int cleanups = 0;
  program.RegisterExitCallback([&] { ++cleanups; });
  std::vector<std::string> order;
  Log().on_click = [&](Program& p) {
    if (p.GetEventSource().control == "标题") {
      order.push_back("ending");
      p.EndProgram(3);
    }
    order.push_back("waiting");
    p.Delay(10000);
    order.push_back("must not run");
  };
  Log().on_created = [&](Program&) {
    Log().on_created = nullptr;
    view.At(100, [&] { view.Click(kMain, "关闭按钮"); });
    view.At(200, [&] { view.Click(kMain, "标题"); });
  };
  EXPECT_EQ(RunStartRoutine(program), 3);
  EXPECT_EQ(order, (std::vector<std::string>{"waiting", "ending"}));
  EXPECT_EQ(cleanups, 1);
  program.RunExitCallbacks();
  EXPECT_EQ(cleanups, 1);
  // After the end nothing more is dispatched or created.
  program.LoadWindow(kDialog);
  EXPECT_FALSE(program.IsLoaded(kDialog));
}

}  // namespace
}  // namespace lumora
