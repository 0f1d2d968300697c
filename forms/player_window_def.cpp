// PlayerWindow: the player page in a framed window.
#include "forms/windows_defs.h"

namespace lumora {

namespace {
using K = ControlKind;

// clang-format off
constexpr ControlDef kControls[] = {
  // name            kind                 parent    left top  width height visible  initial
  {"toppic",         K::PictureBox,       "",        0,   0,  984,  30, true},
  {"leftpic",        K::PictureBox,       "",        0,   2,    2, 623, true},
  {"rightpic",       K::PictureBox,       "",      982,   2,    2, 623, true},
  {"footpic",        K::PictureBox,       "",        0, 622,  984,   2, true},
  {"图片框2",        K::PictureBox,       "toppic",  6,   3,   22,  26, true},
  {"透明标签1",      K::TransparentLabel, "toppic", 33,   4,  199,  24, true,  {.text = "Corvane播放器", .text_color = Rgb(236, 236, 236)}},
  {"文字广告2",      K::TransparentLabel, "toppic", 464,  4,  360,  24, false, {.text = "透明标签", .text_color = Rgb(192, 96, 0)}},
  {"选项按钮",       K::GraphicButton,    "toppic", 855,  4,   44,  26, false},
  {"最小化按钮",     K::GraphicButton,    "toppic", 898,  4,   26,  20, true},
  // Carries its pictures from the start; the skin goes to its twin on top of it.
  {"最大化按钮",     K::GraphicButton,    "toppic", 925,  4,   26,  20, true,  {.picture = "Skins/Default/MaximizationA.gif", .hover_picture = "Skins/Default/MaximizationB.gif"}},
  {"最大化按钮1",    K::GraphicButton,    "toppic", 925,  4,   26,  20, true},
  {"关闭按钮",       K::GraphicButton,    "toppic", 951,  4,   26,  20, true},
  {"WebBrowser10",   K::WebBrowser,       "",        2,  28,   72,  76, true},
  {"WebBrowser2",    K::WebBrowser,       "",      192,  48,  100, 100, true},
};
// clang-format on
}  // namespace

const WindowDef kPlayerWindowDef{
    .id = WindowId::PlayerWindow,
    .width = 984,
    .height = 624,
    .caption = "",
    .visible = true,
    .controls = kControls,
    .media_browser = "WebBrowser10",
    .close_button = "关闭按钮",
};

}  // namespace lumora
