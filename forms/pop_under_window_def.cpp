// PopUnderWindow: the pop-under advertisement in a narrow framed window.
#include "forms/menu_skin.h"
#include "forms/windows_defs.h"

namespace lumora {

namespace {
using K = ControlKind;

// clang-format off
constexpr ControlDef kControls[] = {
  // name              kind                 parent    left top  width height visible  initial
  // The title strip is as wide as in the large windows; the window clips it.
  {"toppic",           K::PictureBox,       "",        0,   0,  984,  30, true},
  {"leftpic",          K::PictureBox,       "",        0,   2,    2, 396, true},
  {"rightpic",         K::PictureBox,       "",      598,   2,    2, 396, true},
  {"footpic",          K::PictureBox,       "",        0, 398,  984,   2, true},
  {"图片框2",          K::PictureBox,       "toppic",  6,   3,   22,  26, true},
  {"透明标签1",        K::TransparentLabel, "toppic", 33,   4,  207,  24, true,  {.text = "Corvane背投广告", .text_color = Rgb(236, 236, 236)}},
  {"关闭按钮1",        K::GraphicButton,    "toppic", 567,  4,   26,  20, true},
  {"超文本界面框1",    K::WebBrowser,       "",        0,  28,  600, 372, true,  {.opens_links_outside = true}},
  {"启动窗口超级菜单", K::MenuSkinner,      "",        0,   0,    0,   0, true},
};

// "GoBack " keeps its trailing blank: it is the item's name as bound.
constexpr MenuItemDef kMenus[] = {
  {"中文", 0},
    {"返回", 1}, {"前进", 1}, {"-", 1}, {"重新载入", 1}, {"-", 1}, {"停止", 1},
  {"繁体", 0},
    {"返回", 1}, {"前進", 1}, {"-", 1}, {"重新載入", 1}, {"-", 1}, {"停止", 1},
  {"英语", 0},
    {"GoBack ", 1}, {"GoForward", 1}, {"-", 1}, {"Refresh", 1}, {"-", 1}, {"Stop", 1},
};

constexpr std::string_view kImage0Items[] = {"中文/停止", "繁体/停止", "英语/Stop"};
constexpr std::string_view kImage1Items[] = {"中文/返回", "繁体/返回", "英语/GoBack "};
// clang-format on

constexpr MenuSkin kMenuSkin{kMenuSkinColors, kImage0Items, kImage1Items};
}  // namespace

const WindowDef kPopUnderWindowDef{
    .id = WindowId::PopUnderWindow,
    .width = 600,
    .height = 400,
    .caption = "背投广告",
    .visible = true,
    .controls = kControls,
    .menus = kMenus,
    .menu_skin = &kMenuSkin,
};

}  // namespace lumora
