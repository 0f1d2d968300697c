// The skinned frame on the headless view with a real run directory: which picture file ends
// up in which slot, minimize, and the maximize toggle with its flag in Config.ini.
#include "forms/frame.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/headless/headless_view.h"
#include "platform/headless/recording_system.h"
#include "tests/behaviour/run_directory.h"
#include "windows/behaviours.h"

namespace lumora {
namespace {

constexpr const char* kSkinFiles[] = {
    "Top.jpg",         "TopBackground.gif", "Left.gif",          "Right.gif",
    "Foot.gif",        "OptionC.gif",       "OptionD.gif",       "MinimalityA.gif",
    "MinimalityB.gif", "MaximizationA.gif", "MaximizationB.gif", "CloseA.gif",
    "CloseB.gif",
};

class FrameTest : public ::testing::Test {
 protected:
  FrameTest() {
    // Each picture's bytes are its own name, so a slot tells which file it holds.
    for (const char* file : kSkinFiles) run.WriteFile(std::string("Skins/Default/") + file, file);
    view.SetScreenSize({1366, 768});
  }

  std::string Picture(WindowId w, std::string_view control, Prop slot) const {
    const Bytes bytes = AsBytes(program.GetProperty(w, control, slot));
    return std::string(bytes.begin(), bytes.end());
  }
  int Get(WindowId w, std::string_view control, Prop prop) const {
    return AsInt(program.GetProperty(w, control, prop));
  }
  std::vector<int> Geometry(WindowId w, std::string_view control) const {
    return {Get(w, control, Prop::Left), Get(w, control, Prop::Top), Get(w, control, Prop::Width),
            Get(w, control, Prop::Height)};
  }
  std::vector<int> ButtonLefts(WindowId w) const {
    return {Get(w, "选项按钮", Prop::Left), Get(w, "最小化按钮", Prop::Left),
            Get(w, "最大化按钮", Prop::Left), Get(w, "关闭按钮", Prop::Left)};
  }

  testing::RunDirectory run;
  HeadlessView view;
  RecordingSystem system;
  Program program{ProgramCatalogue(), view, system, ProgramEnvironment{run.Path(), "lumora"}};
};

struct Slot {
  std::string_view control;
  Prop prop;
  std::string_view file;
};

TEST_F(FrameTest, EveryFramedWindowWearsItsSkinFromCreation) {
  const std::vector<Slot> strip = {
      {"图片框2", Prop::Picture, "Top.jpg"},
      {"toppic", Prop::Picture, "TopBackground.gif"},
      {"leftpic", Prop::Picture, "Left.gif"},
      {"rightpic", Prop::Picture, "Right.gif"},
  };
  auto buttons = [](std::string_view maximize) {
    return std::vector<Slot>{
        {"选项按钮", Prop::NormalPicture, "OptionC.gif"},
        {"选项按钮", Prop::HoverPicture, "OptionD.gif"},
        {"选项按钮", Prop::PressedPicture, "OptionC.gif"},
        {"最小化按钮", Prop::NormalPicture, "MinimalityA.gif"},
        {"最小化按钮", Prop::HoverPicture, "MinimalityB.gif"},
        {"最小化按钮", Prop::PressedPicture, "MinimalityA.gif"},
        {maximize, Prop::NormalPicture, "MaximizationA.gif"},
        {maximize, Prop::HoverPicture, "MaximizationB.gif"},
        {maximize, Prop::PressedPicture, "MaximizationA.gif"},
        {"关闭按钮", Prop::NormalPicture, "CloseA.gif"},
        {"关闭按钮", Prop::HoverPicture, "CloseB.gif"},
        {"关闭按钮", Prop::PressedPicture, "CloseA.gif"},
    };
  };
  struct Case {
    WindowId window;
    std::string_view bottom_line;
    std::vector<Slot> buttons;
  };
  const Case cases[] = {
      {WindowId::MainWindow, "图片框1", buttons("最大化按钮")},
      {WindowId::PlayerWindow, "footpic", buttons("最大化按钮1")},
      {WindowId::AppCentreWindow, "footpic", buttons("最大化按钮")},
      {WindowId::AppWindow, "footpic", buttons("最大化按钮")},
      {WindowId::PopUnderWindow,
       "footpic",
       {{"关闭按钮1", Prop::NormalPicture, "CloseA.gif"},
        {"关闭按钮1", Prop::HoverPicture, "CloseB.gif"},
        {"关闭按钮1", Prop::PressedPicture, "CloseA.gif"}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(WindowName(c.window)));
    program.LoadWindow(c.window);
    std::vector<Slot> slots = strip;
    slots.push_back({c.bottom_line, Prop::Picture, "Foot.gif"});
    slots.insert(slots.end(), c.buttons.begin(), c.buttons.end());
    for (const Slot& s : slots) {
      EXPECT_EQ(Picture(c.window, s.control, s.prop), s.file)
          << s.control << " " << PropName(s.prop);
    }
    EXPECT_EQ(Picture(c.window, "关闭按钮", Prop::DisabledPicture), "");
  }
}

TEST_F(FrameTest, MissingPictureLeavesOnlyItsOwnSlotEmptyAndSaysNothing) {
  std::filesystem::remove(run.Path() / "Skins/Default/CloseB.gif");
  program.LoadWindow(WindowId::AppWindow);
  EXPECT_EQ(Picture(WindowId::AppWindow, "关闭按钮", Prop::NormalPicture), "CloseA.gif");
  EXPECT_EQ(Picture(WindowId::AppWindow, "关闭按钮", Prop::PressedPicture), "CloseA.gif");
  EXPECT_EQ(Picture(WindowId::AppWindow, "关闭按钮", Prop::HoverPicture), "");
  EXPECT_EQ(Picture(WindowId::AppWindow, "最大化按钮", Prop::HoverPicture), "MaximizationB.gif");
  EXPECT_TRUE(program.IsLoaded(WindowId::AppWindow));
  EXPECT_TRUE(view.MessageBoxes().empty());
}

struct MaximizeCase {
  WindowId window;
  std::string_view flag;
  std::string_view bottom_line;
  std::vector<std::string_view> browsers;
  std::vector<int> restored_at;  // left, top after restoring from 1366 x 768
};
void PrintTo(const MaximizeCase& c, std::ostream* os) {
  *os << WindowName(c.window);
}

class MaximizeTest : public FrameTest, public ::testing::WithParamInterface<MaximizeCase> {};

TEST_P(MaximizeTest, FillsTheScreenThenComesBackToItsDesignSize) {
  const MaximizeCase& c = GetParam();
  const WindowId w = c.window;
  run.SetConfig(c.flag, "1");
  program.LoadWindow(w);
  program.SetProperty(w, c.bottom_line, Prop::Visible, false);

  view.Click(w, "最大化按钮");
  EXPECT_EQ(Geometry(w, ""), (std::vector<int>{0, 0, 1366, 768}));
  EXPECT_EQ(ButtonLefts(w), (std::vector<int>{1229, 1274, 1304, 1332}));
  EXPECT_EQ(Geometry(w, "选项按钮"), (std::vector<int>{1229, 4, 44, 26}));
  EXPECT_EQ(Geometry(w, "关闭按钮"), (std::vector<int>{1332, 4, 26, 20}));
  EXPECT_EQ(Geometry(w, c.bottom_line), (std::vector<int>{0, 766, 1366, 2}));
  EXPECT_TRUE(AsBool(program.GetProperty(w, c.bottom_line, Prop::Visible)));
  EXPECT_EQ(Geometry(w, "rightpic"), (std::vector<int>{1364, 2, 2, 768}));
  EXPECT_EQ(Get(w, "leftpic", Prop::Height), 768);
  EXPECT_EQ(Get(w, "toppic", Prop::Width), 1366);
  // The browsers reach the full client height below the strip, as the frame always did.
  for (std::string_view browser : c.browsers) {
    EXPECT_EQ(Geometry(w, browser), (std::vector<int>{0, 28, 1366, 768})) << browser;
  }
  EXPECT_EQ(run.Config(c.flag), "2");
  const std::string lowered = std::string(WindowName(w)) + "/WebBrowser1";
  EXPECT_EQ(view.LoweredControls(), (std::vector<std::string>{lowered}));

  view.Click(w, "最大化按钮");
  std::vector<int> restored = c.restored_at;
  restored.insert(restored.end(), {984, 624});
  EXPECT_EQ(Geometry(w, ""), restored);
  EXPECT_EQ(ButtonLefts(w), (std::vector<int>{847, 892, 922, 950}));
  EXPECT_EQ(Geometry(w, c.bottom_line), (std::vector<int>{0, 622, 984, 2}));
  EXPECT_EQ(Geometry(w, "rightpic"), (std::vector<int>{982, 2, 2, 620}));
  EXPECT_EQ(Get(w, "leftpic", Prop::Height), 620);  // 620 in every window, not the design 623
  EXPECT_EQ(Get(w, "toppic", Prop::Width), 984);
  for (std::string_view browser : c.browsers) {
    EXPECT_EQ(Geometry(w, browser), (std::vector<int>{0, 28, 984, 596})) << browser;
  }
  EXPECT_EQ(run.Config(c.flag), "1");
  EXPECT_EQ(view.LoweredControls(), (std::vector<std::string>{lowered, lowered}));
}

std::string MaximizeCaseName(const ::testing::TestParamInfo<MaximizeCase>& info) {
  return std::string(WindowName(info.param.window));
}

INSTANTIATE_TEST_SUITE_P(
    FramedWindows, MaximizeTest,
    ::testing::Values(
        MaximizeCase{
            WindowId::MainWindow, "Maximize", "图片框1", {"WebBrowser1", "WebBrowser2"}, {191, 63}},
        MaximizeCase{WindowId::AppCentreWindow,
                     "APPCenterMaximize",
                     "footpic",
                     {"WebBrowser1", "WebBrowser应用专用"},
                     {221, 93}},
        MaximizeCase{WindowId::AppWindow, "APPMaximize", "footpic", {"WebBrowser1"}, {251, 123}}),
    MaximizeCaseName);

TEST_F(FrameTest, RestoredPositionIsCutTowardZero) {
  struct Case {
    WindowId window;
    std::string_view flag;
    Size screen;
    int left;
    int top;
  };
  const Case cases[] = {
      {WindowId::AppCentreWindow, "APPCenterMaximize", {1365, 768}, 220, 93},  // 220.5
      {WindowId::MainWindow, "Maximize", {1365, 767}, 190, 62},                // 190.5, 62.5
      {WindowId::MainWindow, "Maximize", {799, 599}, -92, -21},                // -92.5, -21.5
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(WindowName(c.window)) + " " + std::to_string(c.screen.width));
    view.SetScreenSize(c.screen);
    run.SetConfig(c.flag, "1");
    program.LoadWindow(c.window);
    view.Click(c.window, "最大化按钮");
    view.Click(c.window, "最大化按钮");
    EXPECT_EQ(Geometry(c.window, ""), (std::vector<int>{c.left, c.top, 984, 624}));
  }
}

TEST_F(FrameTest, MaximizeButtonIsInertUnlessTheFlagIsExactlyOneOrTwo) {
  program.LoadWindow(WindowId::AppCentreWindow);
  for (const char* flag : {"", "1.0", "02", "3", "absent"}) {
    SCOPED_TRACE(flag);
    if (std::string_view(flag) == "absent") {
      std::filesystem::remove(ConfigFilePath(run.Path()));
    } else {
      run.SetConfig("APPCenterMaximize", flag);
    }
    view.Click(WindowId::AppCentreWindow, "最大化按钮");
    EXPECT_EQ(Geometry(WindowId::AppCentreWindow, ""), (std::vector<int>{50, 50, 984, 624}));
    EXPECT_EQ(ButtonLefts(WindowId::AppCentreWindow), (std::vector<int>{855, 898, 925, 951}));
    EXPECT_TRUE(view.LoweredControls().empty());
  }
  EXPECT_FALSE(std::filesystem::exists(ConfigFilePath(run.Path())));  // nothing was written
}

TEST_F(FrameTest, MainWindowKeepsTheFlagItReadAsItsMaximizeState) {
  program.LoadWindow(WindowId::MainWindow);  // its start-up resets the flag to "1"
  run.SetConfig("Maximize", "7");
  view.Click(WindowId::MainWindow, "最大化按钮");
  EXPECT_EQ(program.Shared().MaximizeState, "7");
  run.SetConfig("Maximize", "1");
  view.Click(WindowId::MainWindow, "最大化按钮");
  EXPECT_EQ(program.Shared().MaximizeState, "1");
}

// Creation never reads the flag: a window opens at its design place even when the flag says
// maximized, and the first click then restores, moving the buttons to the restored layout.
TEST_F(FrameTest, WindowOpensAtDesignSizeWhateverTheFlagSays) {
  run.SetConfig("APPMaximize", "2");
  program.LoadWindow(WindowId::AppWindow);
  EXPECT_EQ(Geometry(WindowId::AppWindow, ""), (std::vector<int>{50, 50, 984, 624}));
  EXPECT_EQ(ButtonLefts(WindowId::AppWindow), (std::vector<int>{855, 898, 925, 951}));
  view.Click(WindowId::AppWindow, "最大化按钮");
  EXPECT_EQ(ButtonLefts(WindowId::AppWindow), (std::vector<int>{847, 892, 922, 950}));
  EXPECT_EQ(run.Config("APPMaximize"), "1");
}

TEST_F(FrameTest, MinimizeButtonsMinimizeAndThePlayerCannotMaximize) {
  for (WindowId w : {WindowId::MainWindow, WindowId::PlayerWindow, WindowId::AppCentreWindow,
                     WindowId::AppWindow}) {
    program.LoadWindow(w);
    view.Click(w, "最小化按钮");
    EXPECT_EQ(Get(w, "", Prop::WindowState), kWindowStateMinimized) << WindowName(w);
  }
  run.SetConfig("Maximize", "1");
  view.Click(WindowId::PlayerWindow, "最大化按钮1");
  view.Click(WindowId::PlayerWindow, "最大化按钮");
  EXPECT_EQ(Geometry(WindowId::PlayerWindow, ""), (std::vector<int>{50, 50, 984, 624}));
}

}  // namespace
}  // namespace lumora
