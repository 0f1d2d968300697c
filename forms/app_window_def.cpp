// AppWindow: one application opened from the application centre.
#include "forms/menu_skin.h"
#include "forms/windows_defs.h"

namespace lumora {

namespace {
using K = ControlKind;

// clang-format off
constexpr ControlDef kControls[] = {
  // name              kind                 parent    left top  width height visible  initial
  {"toppic",           K::PictureBox,       "",        0,   0,  984,  30, true},
  {"leftpic",          K::PictureBox,       "",        0,   2,    2, 623, true},
  {"rightpic",         K::PictureBox,       "",      982,   2,    2, 623, true},
  {"footpic",          K::PictureBox,       "",        0, 622,  984,   2, true},
  {"图片框2",          K::PictureBox,       "toppic",  6,   3,   22,  26, true},
  {"APP应用名称",      K::TransparentLabel, "toppic", 33,   4,  127,  24, true,  {.text = "APP应用窗口", .text_color = Rgb(236, 236, 236)}},
  {"文字广告4",        K::TransparentLabel, "toppic", 464,  4,  360,  24, false, {.text = "透明标签", .text_color = Rgb(192, 96, 0)}},
  {"选项按钮",         K::GraphicButton,    "toppic", 855,  4,   44,  26, false},
  {"最小化按钮",       K::GraphicButton,    "toppic", 898,  4,   26,  20, true},
  {"最大化按钮",       K::GraphicButton,    "toppic", 925,  4,   26,  20, true},
  {"关闭按钮",         K::GraphicButton,    "toppic", 951,  4,   26,  20, true},
  {"WebBrowser1",      K::WebBrowser,       "",        0,  28,  984, 596, true},
  {"超文本浏览框1",    K::HtmlView,         "",      432,  88,  128,  96, true},
  {"启动窗口超级菜单", K::MenuSkinner,      "",        0,   0,    0,   0, true},
};

constexpr MenuItemDef kMenus[] = {
  {"jt", 0},
    {"返回", 1}, {"前进", 1}, {"-", 1}, {"重新载入", 1}, {"-", 1}, {"停止", 1},
  {"ft", 0},
    {"返回", 1}, {"前進", 1}, {"-", 1}, {"重新載入", 1}, {"-", 1}, {"停止", 1},
  {"yy", 0},
    {"GoBack", 1}, {"GoForward", 1}, {"-", 1}, {"Refresh", 1}, {"-", 1}, {"Stop", 1},
};

constexpr std::string_view kImage0Items[] = {"jt/停止", "ft/停止", "yy/Stop"};
constexpr std::string_view kImage1Items[] = {"jt/返回", "ft/返回", "yy/GoBack"};
// clang-format on

constexpr MenuSkin kMenuSkin{kMenuSkinColors, kImage0Items, kImage1Items};
}  // namespace

const WindowDef kAppWindowDef{
    .id = WindowId::AppWindow,
    .width = 984,
    .height = 624,
    .caption = "APP应用窗口",
    .visible = true,
    .controls = kControls,
    .menus = kMenus,
    .menu_skin = &kMenuSkin,
};

}  // namespace lumora
