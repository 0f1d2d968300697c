// ExitPopupWindow: the advertisement shown while the program exits.
#include "forms/windows_defs.h"

namespace lumora {

namespace {
using K = ControlKind;

// clang-format off
constexpr ControlDef kControls[] = {
  // name            kind              parent left top width height visible  initial
  {"超文本浏览框1",  K::HtmlView,      "",     -2, -2, 336, 280, true,  {.opens_links_outside = true}},
  {"图形按钮1",      K::GraphicButton, "",    281,  0,  51,  21, true,  {.hand_cursor = true}},
  {"时钟1",          K::Timer,         "",      0,  0,   0,   0, true,  {.interval = 15000}},
};
// clang-format on
}  // namespace

const WindowDef kExitPopupWindowDef{
    .id = WindowId::ExitPopupWindow,
    .width = 332,
    .height = 276,
    .caption = "Vellmark影音系列退弹广告",
    .visible = true,
    .controls = kControls,
};

}  // namespace lumora
