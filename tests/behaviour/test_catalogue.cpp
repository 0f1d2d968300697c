#include "tests/behaviour/test_catalogue.h"

namespace lumora::testing {

TestLog& Log() {
  static TestLog log;
  return log;
}

namespace {
using K = ControlKind;

// clang-format off
constexpr ControlDef kMainControls[] = {
  {"toppic",      K::PictureBox,       "",       0,  0, 400, 30, true},
  {"标题",        K::TransparentLabel, "toppic", 33, 4, 60,  24, true, {.text = "Title", .text_color = Rgb(1, 2, 3)}},
  {"关闭按钮",    K::GraphicButton,    "toppic", 370, 4, 26, 20, true},
  {"隐藏按钮",    K::GraphicButton,    "toppic", 300, 4, 26, 20, false},
  {"选择框",      K::CheckBox,         "",       10, 40, 13, 13, true},
  {"WebBrowser1", K::WebBrowser,       "",       0, 28, 400, 272, true},
  {"时钟",        K::Timer,            "",       0,  0, 0,   0,  true, {.interval = 100}},
};
constexpr MenuItemDef kMainMenus[] = {
  {"菜单", 0}, {"甲", 1}, {"-", 1}, {"乙", 1}, {"隐", 1, false}, {"子", 2, false},
};
constexpr ControlDef kDialogControls[] = {
  {"关闭按钮", K::GraphicButton, "", 520, 8, 26, 20, true},
};
// clang-format on

const WindowDef kMain{WindowId::MainWindow, 400, 300, "Main", true, kMainControls, kMainMenus};
const WindowDef kDialog{WindowId::AboutWindow, 200, 100, "Dialog", true, kDialogControls};
const WindowDef kHidden{WindowId::RightPopupWindow, 100, 100, "Hidden", false, {}};
const WindowDef kEmpty{WindowId::PlayerWindow, 100, 100, "", true, {}};

void Record(Program& p, const std::string& what) {
  const ControlRef src = p.GetEventSource();
  Log().entries.push_back(std::string(WindowName(src.window)) + ":" + src.control + ":" + what);
}
void Run(const std::function<void(Program&)>& hook, Program& p) {
  if (hook) hook(p);
}

void OnCreated(Program& p, EventArgs&) {
  Record(p, "created");
  Run(Log().on_created, p);
}
void OnClick(Program& p, EventArgs&) {
  Record(p, "click");
  Run(Log().on_click, p);
}
void OnTick(Program& p, EventArgs&) {
  Record(p, "tick");
  Run(Log().on_tick, p);
}
void OnMenu(Program& p, EventArgs&) {
  Record(p, "menu");
  Run(Log().on_menu, p);
}
void OnNewWindow(Program& p, EventArgs& args) {
  Record(p, "newwindow");
  args.cancel = true;
}
void OnDialogClose(Program& p, EventArgs&) {
  Record(p, "close");
  p.DestroyWindow(WindowId::AboutWindow);
}

constexpr Binding kMainBindings[] = {
    {"", Event::Created, OnCreated},
    {"关闭按钮", Event::Clicked, OnClick},
    {"隐藏按钮", Event::Clicked, OnClick},
    {"选择框", Event::Clicked, OnClick},
    {"标题", Event::LeftButtonDown, OnClick},
    {"时钟", Event::Tick, OnTick},
    {"菜单/乙", Event::MenuItemClicked, OnMenu},
    {"WebBrowser1", Event::NewWindow2, OnNewWindow},
};
constexpr Binding kDialogBindings[] = {
    {"", Event::Created, OnCreated},
    {"关闭按钮", Event::Clicked, OnDialogClose},
};

const WindowDef& Definition(WindowId id) {
  switch (id) {
    case WindowId::MainWindow: return kMain;
    case WindowId::AboutWindow: return kDialog;
    case WindowId::RightPopupWindow: return kHidden;
    default: return kEmpty;
  }
}

std::span<const Binding> Bindings(WindowId id) {
  switch (id) {
    case WindowId::MainWindow: return kMainBindings;
    case WindowId::AboutWindow: return kDialogBindings;
    default: return {};
  }
}
}  // namespace

Catalogue TestCatalogue() { return Catalogue{&Definition, &Bindings}; }

}  // namespace lumora::testing
