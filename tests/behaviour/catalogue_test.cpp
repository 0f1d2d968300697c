// The catalogue against the window designs: every window's size and caption, each control's
// kind, parent, geometry, visibility and design texts, every menu with its items, the menu
// skins, and which controls have behaviours. The expected tables are written out here by
// hand, so a slip in one number of the catalogue fails.
#include "forms/catalogue.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "forms/spoken_names.h"
#include "windows/behaviours.h"

namespace lumora {
namespace {

using Lines = std::vector<std::string>;

std::string KindWord(ControlKind kind) {
  switch (kind) {
    case ControlKind::PictureBox:
      return "picture";
    case ControlKind::CheckBox:
      return "check";
    case ControlKind::Timer:
      return "timer";
    case ControlKind::GraphicButton:
      return "button";
    case ControlKind::TransparentLabel:
      return "label";
    case ControlKind::StatusBar:
      return "status";
    case ControlKind::WebBrowser:
      return "browser";
    case ControlKind::HtmlView:
      return "html";
    case ControlKind::MenuSkinner:
      return "skinner";
  }
  return "?";
}

std::string ColorWords(int rgb) {
  return std::to_string((rgb >> 16) & 0xff) + "," + std::to_string((rgb >> 8) & 0xff) + "," +
         std::to_string(rgb & 0xff);
}

// One control as a line: "name kind parent left top width height shown|hidden extras".
// Timers and menu skinners have no geometry that counts, so none is shown.
std::string Describe(const ControlDef& c) {
  std::ostringstream out;
  out << c.name << ' ' << KindWord(c.kind) << ' ' << (c.parent.empty() ? "-" : c.parent);
  const bool non_visual = c.kind == ControlKind::Timer || c.kind == ControlKind::MenuSkinner;
  if (!non_visual) {
    out << ' ' << c.left << ' ' << c.top << ' ' << c.width << ' ' << c.height << ' '
        << (c.visible ? "shown" : "hidden");
  }
  const InitialProps& p = c.props;
  if (!p.text.empty()) out << " text=" << p.text;
  if (p.text_color != kNoColor) out << " color=" << ColorWords(p.text_color);
  if (p.font_pixels != 0) out << " font=" << p.font_pixels;
  if (p.interval != 0) out << " interval=" << p.interval;
  if (p.checked) out << " checked";
  if (p.hand_cursor) out << " hand";
  if (!p.picture.empty()) out << " picture=" << p.picture;
  if (!p.hover_picture.empty()) out << " hover=" << p.hover_picture;
  return out.str();
}

// Expected lines are aligned for reading; runs of blanks count as one.
std::string Squeeze(std::string_view line) {
  std::string out;
  for (char ch : line) {
    if (ch == ' ' && (out.empty() || out.back() == ' ')) continue;
    out += ch;
  }
  while (!out.empty() && out.back() == ' ') out.pop_back();
  return out;
}

// Each menu as "name: item|item", a hidden item marked "~", a sub-item ">".
Lines DescribeMenus(const WindowDef& def) {
  Lines menus;
  for (const MenuItemDef& m : def.menus) {
    if (m.level == 0) {
      menus.push_back(std::string(m.text) + ":");
      continue;
    }
    if (menus.empty()) break;
    std::string& line = menus.back();
    line += line.back() == ':' ? " " : "|";
    if (m.level == 2) line += ">";
    if (!m.visible) line += "~";
    line += std::string(m.text);
  }
  return menus;
}

std::string EventWord(Event e) {
  switch (e) {
    case Event::Created:
      return "created";
    case Event::Clicked:
      return "clicked";
    case Event::Tick:
      return "tick";
    case Event::LeftButtonDown:
      return "down";
    case Event::RightButtonDown:
      return "right";
    case Event::MenuItemClicked:
      return "menu";
    case Event::TrayNotify:
      return "tray";
    case Event::StatusTextChange:
      return "status";
    case Event::NewWindow2:
      return "newwindow";
    case Event::DocumentComplete:
      return "complete";
  }
  return "?";
}

struct ExpectedWindow {
  WindowId id;
  std::string header;  // "width x height caption shown|hidden"
  Lines controls;
  Lines menus;
  Lines bindings;  // "control event" for everything but menu items; "" is the window
};
void PrintTo(const ExpectedWindow& w, std::ostream* os) {
  *os << WindowName(w.id);
}

// clang-format off
const ExpectedWindow kExpected[] = {
  {WindowId::MainWindow, "984x624 '' shown",
   {
     "toppic           picture  -       0    0   984  30  shown",
     "leftpic          picture  -       0    2   2    620 shown",
     "rightpic         picture  -       982  2   2    620 shown",
     "图片框1          picture  -       0    622 984  2   shown",
     "图片框2          picture  toppic  6    3   22   26  shown",
     "软件名称标签     label    toppic  33   4   60   24  shown  text=Corvane color=236,236,236",
     "栏目1标签        label    toppic  103  8   60   16  shown  text=影视片库 color=145,187,0",
     "栏目2标签        label    toppic  173  8   60   16  shown  text=电视直播 color=255,255,255",
     "栏目3标签        label    toppic  243  8   60   16  shown  text=应用中心 color=255,255,255",
     "栏目4标签        label    toppic  313  8   60   16  shown  text=玩玩游戏 color=255,255,255",
     "栏目5标签        label    toppic  383  4   60   24  shown  text=官方推荐 color=236,236,236",
     "文字广告1        label    toppic  464  4   360  24  hidden text=透明标签 color=192,96,0",
     "选项按钮         button   toppic  847  4   44   26  shown",
     "最小化按钮       button   toppic  892  4   26   20  shown",
     "最大化按钮       button   toppic  922  4   26   20  shown",
     "关闭按钮         button   toppic  950  4   26   20  shown",
     "WebBrowser1      browser  -       0    28  984  596 shown",
     "WebBrowser2      browser  -       296  8   100  100 shown",
     "状态条1          status   -       0    574 405  20  hidden",
     "内存时钟         timer    -       interval=200",
     "背投时钟         timer    -       interval=60000",
     "启动窗口超级菜单 skinner  -",
   },
   {
     "选项按钮菜单: ~窗口设置|>置顶|>取消置顶|软件选项|-|联系客服|-|升级程序|关于本程序|-|退出",
     "繁体菜单: 軟件設置|-|聯系客服|-|升級程序|關于本程序|-|退出",
     "英文菜单: Settings|-|Contact us|-|Upgrade program|About program|-|Quit",
     "简体右键: 返回|前进|-|从新载入|-|停止",
     "繁体右键: 返回|前進|-|從新載入|-|停止",
     "英语右键: GoBack|GoForward|-|Refresh|-|Stop",
   },
   {" created", " tray", "内存时钟 tick", "背投时钟 tick", "文字广告1 down", "栏目2标签 down",
    "栏目3标签 down", "栏目4标签 down", "栏目5标签 down", "选项按钮 clicked", "最小化按钮 clicked",
    "最大化按钮 clicked", "关闭按钮 clicked", "WebBrowser1 status", "WebBrowser1 newwindow",
    "WebBrowser1 right"}},

  {WindowId::PlayerWindow, "984x624 '' shown",
   {
     "toppic           picture  -       0    0   984  30  shown",
     "leftpic          picture  -       0    2   2    623 shown",
     "rightpic         picture  -       982  2   2    623 shown",
     "footpic          picture  -       0    622 984  2   shown",
     "图片框2          picture  toppic  6    3   22   26  shown",
     "透明标签1        label    toppic  33   4   199  24  shown  text=Corvane播放器 color=236,236,236",
     "文字广告2        label    toppic  464  4   360  24  hidden text=透明标签 color=192,96,0",
     "选项按钮         button   toppic  855  4   44   26  hidden",
     "最小化按钮       button   toppic  898  4   26   20  shown",
     "最大化按钮       button   toppic  925  4   26   20  shown  picture=Skins/Default/MaximizationA.gif hover=Skins/Default/MaximizationB.gif",
     "最大化按钮1      button   toppic  925  4   26   20  shown",
     "关闭按钮         button   toppic  951  4   26   20  shown",
     "WebBrowser10     browser  -       2    28  72   76  shown",
     "WebBrowser2      browser  -       192  48  100  100 shown",
   },
   {},
   {" created", "文字广告2 down", "最小化按钮 clicked", "关闭按钮 clicked", "WebBrowser10 complete"}},

  {WindowId::AppCentreWindow, "984x624 '' shown",
   {
     "toppic             picture  -       0    0   984  30  shown",
     "leftpic            picture  -       0    2   2    623 shown",
     "rightpic           picture  -       982  2   2    623 shown",
     "footpic            picture  -       0    622 984  2   shown",
     "图片框2            picture  toppic  6    3   22   26  shown",
     "APP应用名称        label    toppic  33   4   199  24  shown  text=APP应用 color=236,236,236",
     "文字广告3          label    toppic  464  4   360  24  hidden text=透明标签 color=192,96,0",
     "选项按钮           button   toppic  855  4   44   26  hidden",
     "最小化按钮         button   toppic  898  4   26   20  shown",
     "最大化按钮         button   toppic  925  4   26   20  shown",
     "关闭按钮           button   toppic  951  4   26   20  shown",
     "WebBrowser1        browser  -       2    28  72   76  shown",
     "WebBrowser应用专用 browser  -       200  96  72   76  shown",
     "超文本浏览框1      html     -       432  88  128  96  shown",
     "状态条1            status   -       0    604 984  20  hidden",
     "启动窗口超级菜单   skinner  -",
   },
   {
     "简体菜单: 返回|前进|-|重新载入|-|停止",
     "繁体菜单: 返回|前進|-|重新載入|-|停止",
     "英语菜单: GoBack|GoForward|-|Refresh|-|Stop",
     "简体专用菜单: 返回|前进|-|重新载入|-|停止",
     "繁体专用菜单: 返回|前進|-|重新載入|-|停止",
     "英语专用菜单: GoBack|GoForward|-|Refresh|-|Stop",
   },
   {" created", "文字广告3 down", "最小化按钮 clicked", "最大化按钮 clicked", "关闭按钮 clicked",
    "WebBrowser1 complete", "WebBrowser1 right", "WebBrowser应用专用 complete",
    "WebBrowser应用专用 newwindow", "WebBrowser应用专用 status", "WebBrowser应用专用 right"}},

  {WindowId::AppWindow, "984x624 'APP应用窗口' shown",
   {
     "toppic           picture  -       0    0   984  30  shown",
     "leftpic          picture  -       0    2   2    623 shown",
     "rightpic         picture  -       982  2   2    623 shown",
     "footpic          picture  -       0    622 984  2   shown",
     "图片框2          picture  toppic  6    3   22   26  shown",
     "APP应用名称      label    toppic  33   4   127  24  shown  text=APP应用窗口 color=236,236,236",
     "文字广告4        label    toppic  464  4   360  24  hidden text=透明标签 color=192,96,0",
     "选项按钮         button   toppic  855  4   44   26  hidden",
     "最小化按钮       button   toppic  898  4   26   20  shown",
     "最大化按钮       button   toppic  925  4   26   20  shown",
     "关闭按钮         button   toppic  951  4   26   20  shown",
     "WebBrowser1      browser  -       0    28  984  596 shown",
     "超文本浏览框1    html     -       432  88  128  96  shown",
     "启动窗口超级菜单 skinner  -",
   },
   {
     "jt: 返回|前进|-|重新载入|-|停止",
     "ft: 返回|前進|-|重新載入|-|停止",
     "yy: GoBack|GoForward|-|Refresh|-|Stop",
   },
   {" created", "文字广告4 down", "最小化按钮 clicked", "最大化按钮 clicked", "关闭按钮 clicked",
    "WebBrowser1 complete", "WebBrowser1 right"}},

  {WindowId::PopUnderWindow, "600x400 '背投广告' shown",
   {
     "toppic           picture  -       0    0   984  30  shown",
     "leftpic          picture  -       0    2   2    396 shown",
     "rightpic         picture  -       598  2   2    396 shown",
     "footpic          picture  -       0    398 984  2   shown",
     "图片框2          picture  toppic  6    3   22   26  shown",
     "透明标签1        label    toppic  33   4   207  24  shown  text=Corvane背投广告 color=236,236,236",
     "关闭按钮1        button   toppic  567  4   26   20  shown",
     "超文本界面框1    browser  -       0    28  600  372 shown",
     "启动窗口超级菜单 skinner  -",
   },
   {
     "中文: 返回|前进|-|重新载入|-|停止",
     "繁体: 返回|前進|-|重新載入|-|停止",
     "英语: GoBack |GoForward|-|Refresh|-|Stop",
   },
   {" created", "关闭按钮1 clicked", "超文本界面框1 right"}},

  {WindowId::RightPopupWindow, "296x246 '广告组件' hidden",
   {
     "超文本浏览框1 html   -  -2   -2  300  250  shown",
     "图形按钮1     button -  248  0   51   21   shown",
     "时钟1         timer  -  interval=1000",
     "时钟2         timer  -  interval=20000",
   },
   {},
   {" created", "时钟1 tick", "时钟2 tick", "图形按钮1 clicked"}},

  {WindowId::ExitPopupWindow, "332x276 'Vellmark影音系列退弹广告' shown",
   {
     "超文本浏览框1 html   -  -2   -2  336  280  shown",
     "图形按钮1     button -  281  0   51   21   shown hand",
     "时钟1         timer  -  interval=15000",
   },
   {},
   {" created", "图形按钮1 clicked", "时钟1 tick"}},

  {WindowId::AboutWindow, "552x352 'Vellmark影音系列关于窗口' shown",
   {
     "图片框1   picture -  0    0   2    352 shown  picture=Skins/Default/Left.gif",
     "图片框2   picture -  550  0   2    352 shown  picture=Skins/Default/Right.gif",
     "图片框3   picture -  0    350 552  2   shown  picture=Skins/Default/Foot.gif",
     "图片框4   picture -  0    0   552  2   shown  picture=Skins/Default/Foot.gif",
     "关闭按钮  button  -  520  8   26   20  shown  picture=Skins/Default/CloseA.gif hover=Skins/Default/CloseB.gif",
     "选项按钮  button  -  10   36  102  36  shown",
     "关于按钮  button  -  10   73  102  36  shown",
     "名称      label   -  160  35  256  40  shown  text=Vellmark影音系列 color=255,255,255 font=32",
     "LOGO      picture -  424  40  80   80  shown",
     "版本      label   -  160  89  264  40  shown  text=主程序版本：1.1.1303.8 color=255,255,255",
     "版本3     label   -  160  116 264  40  shown  text=软件升级程序版本：1.0.1301.20 color=255,255,255",
     "透明标签1 label   -  160  160 352  64  shown  text=感谢您使用本软件。 color=255,255,255",
     "版本5     label   -  160  229 328  20  shown  text=版权所有 color=255,255,255",
     "版本1     label   -  434  249 95   32  shown  text=影片版权协调通道 color=255,255,255",
     "版本7     label   -  160  257 240  16  shown  text=软件官网 color=255,255,255",
     "图形按钮1 button  -  186  300 81   27  shown",
     "图形按钮2 button  -  291  300 81   27  shown",
     "图形按钮3 button  -  398  300 81   27  shown",
   },
   {},
   {" created", "版本1 down", "版本7 down", "选项按钮 clicked", "图形按钮1 clicked",
    "图形按钮2 clicked", "关闭按钮 clicked"}},

  {WindowId::SettingsWindow, "552x352 'Vellmark影音系列设置窗口' shown",
   {
     "图片框1       picture -  0    0   2    352 shown  picture=Skins/Default/Left.gif",
     "图片框2       picture -  550  0   2    352 shown  picture=Skins/Default/Right.gif",
     "图片框3       picture -  0    350 552  2   shown  picture=Skins/Default/Foot.gif",
     "图片框4       picture -  0    0   552  2   shown  picture=Skins/Default/Foot.gif",
     "关闭按钮      button  -  520  8   26   20  shown",
     "选项按钮      button  -  10   36  102  36  shown",
     "关于按钮      button  -  10   73  102  36  shown",
     "透明标签1     label   -  160  53  72   16  shown  text=开机启动 color=255,255,255",
     "开机启动      check   -  248  53  13   13  shown",
     "透明标签2     label   -  272  48  240  24  shown  text=开机启动本程序 color=255,255,255",
     "透明标签3     label   -  160  77  72   16  shown  text=软件语言 color=255,255,255",
     "简体          check   -  248  78  13   13  shown",
     "透明标签4     label   -  272  73  56   24  shown  text=中文简体 color=255,255,255",
     "繁体          check   -  342  78  13   13  shown",
     "取消置顶标签  label   -  368  73  47   24  shown  text=中文繁體 color=255,255,255",
     "英语          check   -  437  78  13   13  shown",
     "取消置顶标签1 label   -  465  73  47   24  shown  text=English color=255,255,255",
     "透明标签5     label   -  160  118 72   16  shown  text=渲染模式 color=255,255,255",
     "模式1         check   -  248  120 13   13  shown",
     "透明标签6     label   -  272  115 64   24  shown  text=VMR9(窗口) color=255,255,255",
     "模式2         check   -  342  120 13   13  shown",
     "透明标签7     label   -  369  115 71   24  shown  text=VMR9(无窗口) color=255,255,255",
     "模式3         check   -  452  120 13   13  shown",
     "透明标签8     label   -  479  115 56   24  shown  text=EVR color=255,255,255",
     "透明标签9     label   -  160  138 368  24  shown  text=选择合适的渲染器，能有效提升视频画质，重启本软件后生效 color=128,224,0",
     "透明标签10    label   -  160  161 328  24  shown  text=WindowsXP系统，推荐使用VMR9 color=255,255,255",
     "透明标签11    label   -  160  184 352  24  shown  text=WindowsVista/7/8系统，推荐使用VMR9 color=255,255,255",
     "透明标签14    label   -  272  220 232  24  shown  text=播放时禁用屏幕保护（仅对XP有效） color=255,255,255",
     "屏幕保护      label   -  160  225 80   16  shown  text=屏幕保护 color=255,255,255",
     "屏保选择      check   -  248  225 13   13  shown",
     "透明标签12    label   -  160  248 80   16  shown  text=托盘设置 color=255,255,255",
     "始终置顶4     check   -  248  250 13   13  shown",
     "透明标签13    label   -  272  245 232  24  shown  text=勾选是否托盘关闭程序 color=255,255,255",
     "图形按钮1     button  -  186  300 81   27  shown",
     "图形按钮2     button  -  291  300 81   27  shown",
     "图形按钮3     button  -  398  300 81   27  shown",
   },
   {},
   {" created", "关于按钮 clicked", "简体 clicked", "繁体 clicked", "英语 clicked", "模式1 clicked",
    "模式2 clicked", "模式3 clicked", "图形按钮1 clicked", "图形按钮2 clicked", "图形按钮3 clicked",
    "关闭按钮 clicked"}},
};
// clang-format on

class CatalogueTest : public ::testing::TestWithParam<ExpectedWindow> {};

TEST_P(CatalogueTest, ControlsAndMenusAreAsDesigned) {
  const ExpectedWindow& expected = GetParam();
  const WindowDef& def = WindowDefinition(expected.id);

  const std::string header = std::to_string(def.width) + "x" + std::to_string(def.height) + " '" +
                             std::string(def.caption) + "' " + (def.visible ? "shown" : "hidden");
  EXPECT_EQ(header, expected.header);

  Lines actual_controls, expected_controls;
  for (const ControlDef& c : def.controls) actual_controls.push_back(Describe(c));
  for (const std::string& line : expected.controls) expected_controls.push_back(Squeeze(line));
  EXPECT_EQ(actual_controls, expected_controls);

  EXPECT_EQ(DescribeMenus(def), expected.menus);
}

// Every control entry point the designs name exists, and no other; every visible menu item
// has a behaviour, while the hidden item and its sub-items have none.
TEST_P(CatalogueTest, EveryDesignedEntryPointIsBound) {
  const ExpectedWindow& expected = GetParam();
  const WindowDef& def = WindowDefinition(expected.id);
  std::multiset<std::string> control_bindings;
  std::set<std::string> bound_items;
  for (const Binding& b : BindingsFor(expected.id)) {
    if (b.event == Event::MenuItemClicked) {
      bound_items.insert(std::string(b.control));
    } else {
      control_bindings.insert(std::string(b.control) + " " + EventWord(b.event));
    }
  }
  EXPECT_EQ(control_bindings,
            std::multiset<std::string>(expected.bindings.begin(), expected.bindings.end()));

  std::set<std::string> live_items;
  std::string menu;
  for (const MenuItemDef& m : def.menus) {
    if (m.level == 0) menu = std::string(m.text);
    if (m.level == 1 && m.visible && m.text != "-")
      live_items.insert(menu + "/" + std::string(m.text));
  }
  EXPECT_EQ(bound_items, live_items);
}

std::string WindowParamName(const ::testing::TestParamInfo<ExpectedWindow>& info) {
  return std::string(WindowName(info.param.id));
}

INSTANTIATE_TEST_SUITE_P(AllWindows, CatalogueTest, ::testing::ValuesIn(kExpected),
                         WindowParamName);

TEST(CatalogueDesign, EveryWindowIsCovered) {
  std::set<WindowId> covered;
  for (const ExpectedWindow& w : kExpected) covered.insert(w.id);
  EXPECT_EQ(covered.size(), static_cast<std::size_t>(kWindowCount));
}

// The three option menus offer the same behaviours in the same order.
TEST(CatalogueDesign, OptionMenusOfTheThreeLanguagesDoTheSame) {
  std::map<std::string, std::vector<Handler>> by_menu;
  for (const Binding& b : BindingsFor(WindowId::MainWindow)) {
    if (b.event != Event::MenuItemClicked) continue;
    const std::string path(b.control);
    by_menu[path.substr(0, path.find('/'))].push_back(b.handler);
  }
  ASSERT_EQ(by_menu["选项按钮菜单"].size(), 5u);
  EXPECT_EQ(by_menu["繁体菜单"], by_menu["选项按钮菜单"]);
  EXPECT_EQ(by_menu["英文菜单"], by_menu["选项按钮菜单"]);
  EXPECT_EQ(by_menu["繁体右键"], by_menu["简体右键"]);
  EXPECT_EQ(by_menu["英语右键"], by_menu["简体右键"]);
}

TEST(CatalogueDesign, MenuSkinsUseTheirColoursAndMarkBackStopSettingsAndQuit) {
  const std::array<int, 6> colors = {0xF9F8F7, 0xD7D4CC, 0xB6BDD2, 0xB6BDD2, 0xF9F8F7, 0xB6BDD2};
  struct Marks {
    WindowId id;
    std::set<std::string_view> image0;
    std::set<std::string_view> image1;
  };
  const Marks marks[] = {
      {WindowId::MainWindow,
       {"简体右键/停止", "繁体右键/停止", "英语右键/Stop", "选项按钮菜单/软件选项",
        "繁体菜单/軟件設置", "英文菜单/Settings"},
       {"简体右键/返回", "繁体右键/返回", "英语右键/GoBack", "选项按钮菜单/退出", "繁体菜单/退出",
        "英文菜单/Quit"}},
      {WindowId::AppCentreWindow,
       {"简体菜单/停止", "繁体菜单/停止", "英语菜单/Stop", "简体专用菜单/停止", "繁体专用菜单/停止",
        "英语专用菜单/Stop"},
       {"简体菜单/返回", "繁体菜单/返回", "英语菜单/GoBack", "简体专用菜单/返回",
        "繁体专用菜单/返回", "英语专用菜单/GoBack"}},
      {WindowId::AppWindow, {"jt/停止", "ft/停止", "yy/Stop"}, {"jt/返回", "ft/返回", "yy/GoBack"}},
      {WindowId::PopUnderWindow,
       {"中文/停止", "繁体/停止", "英语/Stop"},
       {"中文/返回", "繁体/返回", "英语/GoBack "}},
  };
  for (const Marks& m : marks) {
    SCOPED_TRACE(std::string(WindowName(m.id)));
    const MenuSkin* skin = WindowDefinition(m.id).menu_skin;
    ASSERT_NE(skin, nullptr);
    EXPECT_EQ(skin->colors, colors);
    EXPECT_EQ(std::set<std::string_view>(skin->image0_items.begin(), skin->image0_items.end()),
              m.image0);
    EXPECT_EQ(std::set<std::string_view>(skin->image1_items.begin(), skin->image1_items.end()),
              m.image1);
  }
  for (WindowId plain :
       {WindowId::PlayerWindow, WindowId::RightPopupWindow, WindowId::ExitPopupWindow,
        WindowId::AboutWindow, WindowId::SettingsWindow}) {
    EXPECT_EQ(WindowDefinition(plain).menu_skin, nullptr) << WindowName(plain);
  }
}

TEST(CatalogueDesign, OnlyTheRightPopUpHasAnIconOfItsOwn) {
  for (int i = 0; i < kWindowCount; ++i) {
    const auto id = static_cast<WindowId>(i);
    EXPECT_EQ(WindowDefinition(id).icon.empty(), id != WindowId::RightPopupWindow)
        << WindowName(id);
  }
}

// A screen reader has a name to announce for every graphic button and check box, in each
// language; the dialogs' two tabs are tabs, everything else a button.
TEST(CatalogueDesign, EveryButtonAndBoxHasASpokenNameInEachLanguage) {
  std::set<std::string> tabs;
  for (int i = 0; i < kWindowCount; ++i) {
    const auto id = static_cast<WindowId>(i);
    for (const ControlDef& c : WindowDefinition(id).controls) {
      if (c.kind != ControlKind::GraphicButton && c.kind != ControlKind::CheckBox) continue;
      for (int language = 1; language <= 3; ++language) {
        const SpokenName spoken = SpokenNameIn(id, c.name, language);
        EXPECT_FALSE(spoken.text.empty()) << WindowName(id) << " " << c.name << " " << language;
        if (spoken.tab) tabs.insert(std::string(WindowName(id)) + " " + std::string(c.name));
      }
      // The English name is English: no Chinese word left in its column by a slip.
      const std::string_view english = SpokenNameIn(id, c.name, 3).text;
      EXPECT_TRUE(std::all_of(english.begin(), english.end(),
                              [](char ch) { return static_cast<unsigned char>(ch) < 0x80; }))
          << WindowName(id) << " " << c.name;
    }
  }
  EXPECT_EQ(tabs, (std::set<std::string>{"AboutWindow 关于按钮", "AboutWindow 选项按钮",
                                         "SettingsWindow 关于按钮", "SettingsWindow 选项按钮"}));
  EXPECT_TRUE(SpokenNameIn(WindowId::MainWindow, "WebBrowser1", 1).text.empty());
  EXPECT_TRUE(SpokenNameIn(WindowId::MainWindow, "关闭按钮", 0).text.empty());
  EXPECT_TRUE(SpokenNameIn(WindowId::MainWindow, "关闭按钮", 4).text.empty());
}

// Escape presses the dialogs' close buttons, and only theirs.
TEST(CatalogueDesign, EscapeIsTheDialogsCloseButton) {
  for (int i = 0; i < kWindowCount; ++i) {
    const auto id = static_cast<WindowId>(i);
    const std::string_view button = WindowDefinition(id).escape_button;
    const bool dialog = id == WindowId::AboutWindow || id == WindowId::SettingsWindow;
    EXPECT_EQ(button, dialog ? "关闭按钮" : "") << WindowName(id);
    if (!dialog) continue;
    const auto bindings = BindingsFor(id);
    EXPECT_TRUE(std::any_of(bindings.begin(), bindings.end(), [&](const Binding& b) {
      return b.control == button && b.event == Event::Clicked;
    })) << WindowName(id);
  }
}

}  // namespace
}  // namespace lumora
