#include "forms/frame.h"

#include <array>
#include <string>
#include <string_view>

#include "config/ini_file.h"
#include "config/language.h"
#include "platform/files.h"

namespace lumora {

namespace {

// Which frame controls a window has, where they differ between the framed windows.
struct FrameLayout {
  WindowId window;
  std::string_view bottom_line;
  std::string_view maximize_button;  // the one the skin goes to; "" when it has none
  std::string_view close_button;
  bool caption_buttons;           // options and minimize buttons
  std::string_view maximize_key;  // Config.ini flag; "" when the window cannot maximize
  int restore_offset;
  std::array<std::string_view, 2> browsers;  // resized with the frame; "" for none
};

// clang-format off
constexpr FrameLayout kLayouts[] = {
  // window, bottom line, skinned maximize button, close button, options and minimize
  // buttons, maximize flag, restore offset, browsers
  {WindowId::MainWindow,      "图片框1", "最大化按钮",  "关闭按钮",  true,  "Maximize",          0,  {"WebBrowser1", "WebBrowser2"}},
  {WindowId::PlayerWindow,    "footpic", "最大化按钮1", "关闭按钮",  true,  "",                  0,  {}},
  {WindowId::AppCentreWindow, "footpic", "最大化按钮",  "关闭按钮",  true,  "APPCenterMaximize", 30, {"WebBrowser1", "WebBrowser应用专用"}},
  {WindowId::AppWindow,       "footpic", "最大化按钮",  "关闭按钮",  true,  "APPMaximize",       60, {"WebBrowser1", ""}},
  {WindowId::PopUnderWindow,  "footpic", "",            "关闭按钮1", false, "",                  0,  {}},
};
// clang-format on

constexpr int kDesignWidth = 984;
constexpr int kDesignHeight = 624;

const FrameLayout* LayoutOf(WindowId window) {
  for (const FrameLayout& layout : kLayouts) {
    if (layout.window == window) return &layout;
  }
  return nullptr;
}

Bytes SkinFile(const Program& p, std::string_view file) {
  return ReadFileBytes(p.LocalPath("Skins/Default/" + std::string(file)));
}

void SetPicture(Program& p, WindowId window, std::string_view control, std::string_view file) {
  p.SetProperty(window, control, Prop::Picture, SkinFile(p, file));
}

// A caption button shows picture A when idle and while held down, picture B under the pointer.
void SetButtonPictures(Program& p, WindowId window, std::string_view control,
                       std::string_view file_a, std::string_view file_b) {
  p.SetProperty(window, control, Prop::NormalPicture, SkinFile(p, file_a));
  p.SetProperty(window, control, Prop::HoverPicture, SkinFile(p, file_b));
  p.SetProperty(window, control, Prop::PressedPicture, SkinFile(p, file_a));
}

// Lays out the title strip, the border lines, the browsers and the caption buttons for a
// client area `width` wide. The caption buttons keep their distances from the right edge.
void LayOutFrame(Program& p, const FrameLayout& layout, int width, int browser_height,
                 int side_height, int bottom_top) {
  const WindowId w = layout.window;
  for (std::string_view browser : layout.browsers) {
    if (!browser.empty()) p.MoveControl(w, browser, 0, 28, width, browser_height);
  }
  p.SetProperty(w, "toppic", Prop::Width, width);
  p.SetProperty(w, "leftpic", Prop::Height, side_height);
  p.SetProperty(w, "rightpic", Prop::Height, side_height);
  p.SetProperty(w, "rightpic", Prop::Left, width - 2);
  p.SetProperty(w, layout.bottom_line, Prop::Left, 0);
  p.SetProperty(w, layout.bottom_line, Prop::Top, bottom_top);
  p.SetProperty(w, layout.bottom_line, Prop::Width, width);
  p.SetProperty(w, layout.bottom_line, Prop::Visible, true);
  // The options button moves even where it is hidden, so it is in place if ever shown.
  p.MoveControl(w, "选项按钮", width - 137, 4, 44, 26);
  p.MoveControl(w, "最小化按钮", width - 92, 4, 26, 20);
  p.MoveControl(w, "关闭按钮", width - 34, 4, 26, 20);
  p.MoveControl(w, "最大化按钮", width - 62, 4, 26, 20);
}

}  // namespace

void ApplyFrameSkin(Program& p, WindowId window) {
  const FrameLayout* layout = LayoutOf(window);
  if (layout == nullptr) return;
  SetPicture(p, window, "图片框2", "Top.jpg");
  SetPicture(p, window, "toppic", "TopBackground.gif");
  SetPicture(p, window, "leftpic", "Left.gif");
  SetPicture(p, window, "rightpic", "Right.gif");
  SetPicture(p, window, layout->bottom_line, "Foot.gif");
  if (layout->caption_buttons) {
    SetButtonPictures(p, window, "选项按钮", "OptionC.gif", "OptionD.gif");
    SetButtonPictures(p, window, "最小化按钮", "MinimalityA.gif", "MinimalityB.gif");
    SetButtonPictures(p, window, layout->maximize_button, "MaximizationA.gif", "MaximizationB.gif");
  }
  SetButtonPictures(p, window, layout->close_button, "CloseA.gif", "CloseB.gif");
}

void MinimizeWindow(Program& p, WindowId window) {
  p.SetProperty(window, "", Prop::WindowState, kWindowStateMinimized);
}

void ToggleMaximize(Program& p, WindowId window) {
  const FrameLayout* layout = LayoutOf(window);
  if (layout == nullptr || layout->maximize_key.empty() || !p.IsLoaded(window)) return;
  const std::filesystem::path config = ConfigFilePath(p.RunDirectory());
  // Read once: every decision of this click rests on the same value.
  const std::string state = ReadConfigItem(config, kConfigSection, layout->maximize_key);
  if (window == WindowId::MainWindow) p.Shared().MaximizeState = state;

  if (state == "1") {
    p.MoveControl(window, "", 0, 0, p.GetScreenWidth(), p.GetScreenHeight());
    p.SetZOrder(window, "WebBrowser1", 2);
    const int width = p.GetClientWidth(window);
    const int height = p.GetClientHeight(window);
    LayOutFrame(p, *layout, width, height, height, height - 2);
    WriteConfigItem(config, kConfigSection, layout->maximize_key, "2");
  } else if (state == "2") {
    // Halves of the maximized client size, in double and truncated toward zero, so an odd
    // width loses its half pixel and a small screen gives a position cut toward zero.
    const double half_width = p.GetClientWidth(window) / 2.0;
    const double half_height = p.GetClientHeight(window) / 2.0;
    const int left = static_cast<int>(half_width - 492 + layout->restore_offset);
    const int top = static_cast<int>(half_height - 321 + layout->restore_offset);
    p.MoveControl(window, "", left, top, kDesignWidth, kDesignHeight);
    p.SetZOrder(window, "WebBrowser1", 2);
    LayOutFrame(p, *layout, kDesignWidth, 596, 620, 622);
    WriteConfigItem(config, kConfigSection, layout->maximize_key, "1");
  }
}

}  // namespace lumora
