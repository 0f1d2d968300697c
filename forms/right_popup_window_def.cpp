// RightPopupWindow: the advertising box shown at the bottom right of the screen.
#include "forms/windows_defs.h"

namespace lumora {

namespace {
using K = ControlKind;

// clang-format off
constexpr ControlDef kControls[] = {
  // name            kind              parent left top width height visible  initial
  {"超文本浏览框1",  K::HtmlView,      "",     -2, -2, 300, 250, true,  {.opens_links_outside = true}},
  {"图形按钮1",      K::GraphicButton, "",    248,  0,  51,  21, true},
  {"时钟1",          K::Timer,         "",      0,  0,   0,   0, true,  {.interval = 1000}},
  {"时钟2",          K::Timer,         "",      0,  0,   0,   0, true,  {.interval = 20000}},
};
// clang-format on
}  // namespace

// Hidden at creation: its timers decide when it appears.
const WindowDef kRightPopupWindowDef{
    .id = WindowId::RightPopupWindow,
    .width = 296,
    .height = 246,
    .caption = "广告组件",
    .visible = false,
    .controls = kControls,
    .icon = "Icon/AdvertLOGO.ico",
};

}  // namespace lumora
