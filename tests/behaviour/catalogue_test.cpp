// The catalogue's properties rather than a second copy of it: names are unique and parents
// exist, every control lies inside its parent, every binding names a real entry point once,
// the language menus of a window match, and the pictures named exist. Written out by hand are
// only what the designs quote (sizes, captions, menu items, the entry points) and the few
// positions that the end-to-end tests click.
#include "forms/catalogue.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "forms/spoken_names.h"
#include "tests/support/named_pictures.h"
#include "windows/behaviours.h"

namespace lumora {
namespace {

using Lines = std::vector<std::string>;

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
   {},
   {" created", "文字广告2 down", "最小化按钮 clicked", "关闭按钮 clicked", "WebBrowser10 complete"}},

  {WindowId::AppCentreWindow, "984x624 '' shown",
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
     "jt: 返回|前进|-|重新载入|-|停止",
     "ft: 返回|前進|-|重新載入|-|停止",
     "yy: GoBack|GoForward|-|Refresh|-|Stop",
   },
   {" created", "文字广告4 down", "最小化按钮 clicked", "最大化按钮 clicked", "关闭按钮 clicked",
    "WebBrowser1 complete", "WebBrowser1 right"}},

  {WindowId::PopUnderWindow, "600x400 '背投广告' shown",
   {
     "中文: 返回|前进|-|重新载入|-|停止",
     "繁体: 返回|前進|-|重新載入|-|停止",
     "英语: GoBack |GoForward|-|Refresh|-|Stop",
   },
   {" created", "关闭按钮1 clicked", "超文本界面框1 right"}},

  {WindowId::RightPopupWindow, "296x246 '广告组件' hidden",
   {},
   {" created", "时钟1 tick", "时钟2 tick", "图形按钮1 clicked"}},

  {WindowId::ExitPopupWindow, "332x276 'Vellmark影音系列退弹广告' shown",
   {},
   {" created", "图形按钮1 clicked", "时钟1 tick"}},

  {WindowId::AboutWindow, "552x352 'Vellmark影音系列关于窗口' shown",
   {},
   {" created", "版本1 down", "版本7 down", "选项按钮 clicked", "图形按钮1 clicked",
    "图形按钮2 clicked", "关闭按钮 clicked"}},

  {WindowId::SettingsWindow, "552x352 'Vellmark影音系列设置窗口' shown",
   {},
   {" created", "关于按钮 clicked", "简体 clicked", "繁体 clicked", "英语 clicked", "模式1 clicked",
    "模式2 clicked", "模式3 clicked", "图形按钮1 clicked", "图形按钮2 clicked", "图形按钮3 clicked",
    "关闭按钮 clicked"}},
};
// clang-format on

class CatalogueTest : public ::testing::TestWithParam<ExpectedWindow> {};

TEST_P(CatalogueTest, SizeCaptionAndMenusAreAsDesigned) {
  const ExpectedWindow& expected = GetParam();
  const WindowDef& def = WindowDefinition(expected.id);

  const std::string header = std::to_string(def.width) + "x" + std::to_string(def.height) + " '" +
                             std::string(def.caption) + "' " + (def.visible ? "shown" : "hidden");
  EXPECT_EQ(header, expected.header);

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

// --- properties of every window ------------------------------------------------------------

WindowId IdOf(int i) {
  return static_cast<WindowId>(i);
}

bool IsVisual(const ControlDef& c) {
  return c.kind != ControlKind::Timer && c.kind != ControlKind::MenuSkinner;
}

const ControlDef* FindControl(const WindowDef& def, std::string_view name) {
  for (const ControlDef& c : def.controls) {
    if (c.name == name) return &c;
  }
  return nullptr;
}

// Menu paths as bindings name them: "menu/item" and "menu/item/sub-item".
std::set<std::string> MenuPaths(const WindowDef& def) {
  std::set<std::string> paths;
  std::string menu, item;
  for (const MenuItemDef& m : def.menus) {
    if (m.level == 0) menu = std::string(m.text);
    if (m.level == 1) item = menu + "/" + std::string(m.text);
    if (m.level == 1) paths.insert(item);
    if (m.level == 2) paths.insert(item + "/" + std::string(m.text));
  }
  return paths;
}

TEST(CatalogueProperties, NamesAreUniqueAndEveryParentIsAnEarlierPictureOfTheWindow) {
  for (int i = 0; i < kWindowCount; ++i) {
    const WindowDef& def = WindowDefinition(IdOf(i));
    SCOPED_TRACE(std::string(WindowName(def.id)));
    std::set<std::string_view> seen;
    for (const ControlDef& c : def.controls) {
      EXPECT_FALSE(c.name.empty());
      EXPECT_TRUE(seen.insert(c.name).second) << "twice: " << c.name;
      if (c.parent.empty()) continue;
      // Declared before its children, so the view can build them in order.
      EXPECT_TRUE(seen.count(c.parent)) << c.name << " in " << c.parent;
      const ControlDef* parent = FindControl(def, c.parent);
      ASSERT_NE(parent, nullptr) << c.name;
      EXPECT_EQ(parent->kind, ControlKind::PictureBox) << c.name << " in " << c.parent;
    }
  }
}

// A control that reaches past its parent is cut off on screen: a slip in one of its numbers,
// except where the designs overhang on purpose, listed here (and each must still overhang, so
// the list cannot go stale).
TEST(CatalogueProperties, EveryControlLiesInsideItsParent) {
  const std::set<std::string> overhanging = {
      // The side frame lines run one pixel past the bottom, under the foot line.
      "PlayerWindow leftpic", "PlayerWindow rightpic", "AppCentreWindow leftpic",
      "AppCentreWindow rightpic", "AppWindow leftpic", "AppWindow rightpic",
      // The pop-under keeps the large windows' 984-pixel frame pictures, clipped to 600.
      "PopUnderWindow toppic", "PopUnderWindow footpic",
      // The pop-ups' browsers reach 2 pixels past every edge, so their border never shows;
      // the right pop-up's close button sits over its corner.
      "RightPopupWindow 超文本浏览框1", "RightPopupWindow 图形按钮1", "ExitPopupWindow 超文本浏览框1"};
  std::set<std::string> found;
  for (int i = 0; i < kWindowCount; ++i) {
    const WindowDef& def = WindowDefinition(IdOf(i));
    for (const ControlDef& c : def.controls) {
      if (!IsVisual(c)) continue;
      const ControlDef* parent = c.parent.empty() ? nullptr : FindControl(def, c.parent);
      const int width = parent ? parent->width : def.width;
      const int height = parent ? parent->height : def.height;
      EXPECT_TRUE(c.width > 0 && c.height > 0) << WindowName(def.id) << " " << c.name;
      const bool inside =
          c.left >= 0 && c.top >= 0 && c.left + c.width <= width && c.top + c.height <= height;
      const std::string name = std::string(WindowName(def.id)) + " " + std::string(c.name);
      if (!inside) found.insert(name);
      EXPECT_TRUE(inside || overhanging.count(name))
          << name << " " << c.left << "," << c.top << " " << c.width << "x" << c.height << " in "
          << width << "x" << height;
    }
  }
  EXPECT_EQ(found, overhanging);
}

// Each binding names a control, the window or a menu item that exists, with an event that kind
// of control raises, and no entry point has two behaviours.
TEST(CatalogueProperties, EveryBindingNamesARealEntryPointOnce) {
  for (int i = 0; i < kWindowCount; ++i) {
    const WindowDef& def = WindowDefinition(IdOf(i));
    const std::set<std::string> menu_paths = MenuPaths(def);
    std::set<std::pair<std::string, Event>> bound;
    for (const Binding& b : BindingsFor(def.id)) {
      const std::string where = std::string(WindowName(def.id)) + " " + std::string(b.control);
      EXPECT_NE(b.handler, nullptr) << where;
      EXPECT_TRUE(bound.insert({std::string(b.control), b.event}).second) << "twice: " << where;
      if (b.event == Event::MenuItemClicked) {
        EXPECT_TRUE(menu_paths.count(std::string(b.control))) << where;
        continue;
      }
      if (b.control.empty()) {
        EXPECT_TRUE(b.event == Event::Created || b.event == Event::TrayNotify) << where;
        continue;
      }
      const ControlDef* c = FindControl(def, b.control);
      ASSERT_NE(c, nullptr) << where;
      const bool browser = c->kind == ControlKind::WebBrowser || c->kind == ControlKind::HtmlView;
      switch (b.event) {
        case Event::Tick:
          EXPECT_EQ(c->kind, ControlKind::Timer) << where;
          break;
        case Event::StatusTextChange:
        case Event::NewWindow2:
        case Event::DocumentComplete:
        case Event::RightButtonDown:
          EXPECT_TRUE(browser) << where << " " << EventWord(b.event);
          break;
        default:
          EXPECT_TRUE(IsVisual(*c) && !browser) << where << " " << EventWord(b.event);
      }
    }
  }
}

// A window's menus come in threes, one per interface language (Simplified, Traditional,
// English), and the three show the same items, separators in the same places, and run the
// same behaviours in the same order.
TEST(CatalogueProperties, TheLanguageMenusOfAWindowMatch) {
  for (int i = 0; i < kWindowCount; ++i) {
    const WindowDef& def = WindowDefinition(IdOf(i));
    std::map<std::string, Handler> handlers;
    for (const Binding& b : BindingsFor(def.id)) {
      if (b.event == Event::MenuItemClicked) handlers[std::string(b.control)] = b.handler;
    }
    // Per menu: the visible items, each a separator or the behaviour it runs.
    std::vector<std::vector<std::string>> shapes;
    std::vector<std::vector<Handler>> behaviours;
    std::string menu;
    for (const MenuItemDef& m : def.menus) {
      if (m.level == 0) {
        menu = std::string(m.text);
        shapes.emplace_back();
        behaviours.emplace_back();
        continue;
      }
      if (m.level != 1 || !m.visible) continue;
      const bool separator = m.text == "-";
      shapes.back().push_back(separator ? "-" : "item");
      if (!separator) behaviours.back().push_back(handlers[menu + "/" + std::string(m.text)]);
    }
    SCOPED_TRACE(std::string(WindowName(def.id)));
    ASSERT_EQ(shapes.size() % 3, 0u);
    for (std::size_t first = 0; first < shapes.size(); first += 3) {
      for (std::size_t other : {first + 1, first + 2}) {
        EXPECT_EQ(shapes[other], shapes[first]) << "menu " << other;
        EXPECT_EQ(behaviours[other], behaviours[first]) << "menu " << other;
      }
    }
  }
}

// Every picture a definition names is a file of the data tree in a picture format the view
// reads (what the file's first bytes say; the view tests decode them).
TEST(CatalogueProperties, EveryPictureNamedIsInTheDataTree) {
  const auto picture_format = [](const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    char head[8] = {};
    in.read(head, sizeof head);
    const std::string_view bytes(head, static_cast<std::size_t>(in.gcount()));
    return bytes.starts_with("GIF87a") || bytes.starts_with("GIF89a") ||
           bytes.starts_with("\xFF\xD8\xFF") || bytes.starts_with("\x89PNG") ||
           bytes.starts_with("BM") || bytes.starts_with(std::string_view("\0\0\1\0", 4));
  };
  for (int i = 0; i < kWindowCount; ++i) {
    const WindowDef& def = WindowDefinition(IdOf(i));
    for (std::string_view picture : testing::NamedPictures(def)) {
      const std::filesystem::path file = std::filesystem::path(LUMORA_SOURCE_DATA_DIR) / picture;
      EXPECT_TRUE(picture_format(file)) << WindowName(def.id) << " " << picture;
    }
  }
}

// The texts the designs give controls, and the few positions the end-to-end tests click (a
// change here must change them too).
TEST(CatalogueDesign, QuotedTextsAndClickedPositions) {
  struct Text {
    WindowId window;
    std::string_view control, text;
  };
  const Text texts[] = {
      {WindowId::MainWindow, "栏目1标签", "影视片库"}, {WindowId::MainWindow, "栏目2标签", "电视直播"},
      {WindowId::MainWindow, "栏目3标签", "应用中心"}, {WindowId::MainWindow, "栏目4标签", "玩玩游戏"},
      {WindowId::MainWindow, "栏目5标签", "官方推荐"},
  };
  for (const Text& t : texts) {
    const ControlDef* c = FindControl(WindowDefinition(t.window), t.control);
    ASSERT_NE(c, nullptr) << t.control;
    EXPECT_EQ(c->props.text, t.text) << t.control;
  }
  struct Place {
    WindowId window;
    std::string_view control;
    int left, top, width, height;
  };
  const Place places[] = {
      {WindowId::MainWindow, "WebBrowser1", 0, 28, 984, 596},
      {WindowId::MainWindow, "选项按钮", 847, 4, 44, 26},
      {WindowId::MainWindow, "栏目2标签", 173, 8, 60, 16},
      {WindowId::SettingsWindow, "选项按钮", 10, 36, 102, 36},
      {WindowId::SettingsWindow, "关于按钮", 10, 73, 102, 36},
      {WindowId::SettingsWindow, "开机启动", 248, 53, 13, 13},
      {WindowId::SettingsWindow, "英语", 437, 78, 13, 13},
      {WindowId::SettingsWindow, "图形按钮1", 186, 300, 81, 27},
      {WindowId::SettingsWindow, "图形按钮3", 398, 300, 81, 27},
  };
  for (const Place& p : places) {
    const ControlDef* c = FindControl(WindowDefinition(p.window), p.control);
    ASSERT_NE(c, nullptr) << p.control;
    EXPECT_EQ((std::array{c->left, c->top, c->width, c->height}),
              (std::array{p.left, p.top, p.width, p.height}))
        << WindowName(p.window) << " " << p.control;
  }
}

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
