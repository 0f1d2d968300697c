// AppCentreWindow: the application centre, with a general and an application browser.
#include "forms/menu_skin.h"
#include "forms/windows_defs.h"

namespace lumora {

namespace {
using K = ControlKind;

// clang-format off
constexpr ControlDef kControls[] = {
  // name                kind                 parent    left top  width height visible  initial
  {"toppic",             K::PictureBox,       "",        0,   0,  984,  30, true},
  {"leftpic",            K::PictureBox,       "",        0,   2,    2, 623, true},
  {"rightpic",           K::PictureBox,       "",      982,   2,    2, 623, true},
  {"footpic",            K::PictureBox,       "",        0, 622,  984,   2, true},
  {"图片框2",            K::PictureBox,       "toppic",  6,   3,   22,  26, true},
  {"APP应用名称",        K::TransparentLabel, "toppic", 33,   4,  199,  24, true,  {.text = "APP应用", .text_color = Rgb(236, 236, 236)}},
  {"文字广告3",          K::TransparentLabel, "toppic", 464,  4,  360,  24, false, {.text = "透明标签", .text_color = Rgb(192, 96, 0)}},
  {"选项按钮",           K::GraphicButton,    "toppic", 855,  4,   44,  26, false},
  {"最小化按钮",         K::GraphicButton,    "toppic", 898,  4,   26,  20, true},
  {"最大化按钮",         K::GraphicButton,    "toppic", 925,  4,   26,  20, true},
  {"关闭按钮",           K::GraphicButton,    "toppic", 951,  4,   26,  20, true},
  {"WebBrowser1",        K::WebBrowser,       "",        2,  28,   72,  76, true},
  {"WebBrowser应用专用", K::WebBrowser,       "",      200,  96,   72,  76, true},
  {"超文本浏览框1",      K::HtmlView,         "",      432,  88,  128,  96, true},
  {"状态条1",            K::StatusBar,        "",        0, 604,  984,  20, false},
  {"启动窗口超级菜单",   K::MenuSkinner,      "",        0,   0,    0,   0, true},
};

// The general browser's menus, then those of the application browser ("专用").
constexpr MenuItemDef kMenus[] = {
  {"简体菜单", 0},
    {"返回", 1}, {"前进", 1}, {"-", 1}, {"重新载入", 1}, {"-", 1}, {"停止", 1},
  {"繁体菜单", 0},
    {"返回", 1}, {"前進", 1}, {"-", 1}, {"重新載入", 1}, {"-", 1}, {"停止", 1},
  {"英语菜单", 0},
    {"GoBack", 1}, {"GoForward", 1}, {"-", 1}, {"Refresh", 1}, {"-", 1}, {"Stop", 1},
  {"简体专用菜单", 0},
    {"返回", 1}, {"前进", 1}, {"-", 1}, {"重新载入", 1}, {"-", 1}, {"停止", 1},
  {"繁体专用菜单", 0},
    {"返回", 1}, {"前進", 1}, {"-", 1}, {"重新載入", 1}, {"-", 1}, {"停止", 1},
  {"英语专用菜单", 0},
    {"GoBack", 1}, {"GoForward", 1}, {"-", 1}, {"Refresh", 1}, {"-", 1}, {"Stop", 1},
};

constexpr std::string_view kImage0Items[] = {
  "简体菜单/停止", "繁体菜单/停止", "英语菜单/Stop",
  "简体专用菜单/停止", "繁体专用菜单/停止", "英语专用菜单/Stop",
};
constexpr std::string_view kImage1Items[] = {
  "简体菜单/返回", "繁体菜单/返回", "英语菜单/GoBack",
  "简体专用菜单/返回", "繁体专用菜单/返回", "英语专用菜单/GoBack",
};
// clang-format on

constexpr MenuSkin kMenuSkin{kMenuSkinColors, kImage0Items, kImage1Items};
}  // namespace

const WindowDef kAppCentreWindowDef{
    .id = WindowId::AppCentreWindow,
    .width = 984,
    .height = 624,
    .caption = "",
    .visible = true,
    .controls = kControls,
    .menus = kMenus,
    .menu_skin = &kMenuSkin,
};

}  // namespace lumora
