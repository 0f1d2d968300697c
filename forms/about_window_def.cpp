// AboutWindow: versions, acknowledgements and links; a modal dialog.
#include "forms/windows_defs.h"

namespace lumora {

namespace {
using K = ControlKind;
constexpr int kWhite = Rgb(255, 255, 255);

// The frame lines are plain lines, so they borrow the large windows' border pictures,
// clipped to their own size. The close button shows the frame's close pictures until the
// set-up gives it its own.
// clang-format off
constexpr ControlDef kControls[] = {
  // name        kind                 parent left top width height visible  initial
  {"图片框1",    K::PictureBox,       "",      0,   0,   2, 352, true,  {.picture = "Skins/Default/Left.gif"}},
  {"图片框2",    K::PictureBox,       "",    550,   0,   2, 352, true,  {.picture = "Skins/Default/Right.gif"}},
  {"图片框3",    K::PictureBox,       "",      0, 350, 552,   2, true,  {.picture = "Skins/Default/Foot.gif"}},
  {"图片框4",    K::PictureBox,       "",      0,   0, 552,   2, true,  {.picture = "Skins/Default/Foot.gif"}},
  {"关闭按钮",   K::GraphicButton,    "",    520,   8,  26,  20, true,  {.picture = "Skins/Default/CloseA.gif", .hover_picture = "Skins/Default/CloseB.gif"}},
  {"选项按钮",   K::GraphicButton,    "",     10,  36, 102,  36, true},
  {"关于按钮",   K::GraphicButton,    "",     10,  73, 102,  36, true},
  {"名称",       K::TransparentLabel, "",    160,  35, 256,  40, true,  {.text = "Vellmark影音系列", .text_color = kWhite, .font_pixels = 32}},
  {"LOGO",       K::PictureBox,       "",    424,  40,  80,  80, true},
  {"版本",       K::TransparentLabel, "",    160,  89, 264,  40, true,  {.text = "主程序版本：1.1.1303.8", .text_color = kWhite}},
  {"版本3",      K::TransparentLabel, "",    160, 116, 264,  40, true,  {.text = "软件升级程序版本：1.0.1301.20", .text_color = kWhite}},
  {"透明标签1",  K::TransparentLabel, "",    160, 160, 352,  64, true,  {.text = "感谢您使用本软件。", .text_color = kWhite}},
  {"版本5",      K::TransparentLabel, "",    160, 229, 328,  20, true,  {.text = "版权所有", .text_color = kWhite}},
  {"版本1",      K::TransparentLabel, "",    434, 249,  95,  32, true,  {.text = "影片版权协调通道", .text_color = kWhite}},
  {"版本7",      K::TransparentLabel, "",    160, 257, 240,  16, true,  {.text = "软件官网", .text_color = kWhite}},
  {"图形按钮1",  K::GraphicButton,    "",    186, 300,  81,  27, true},
  {"图形按钮2",  K::GraphicButton,    "",    291, 300,  81,  27, true},
  {"图形按钮3",  K::GraphicButton,    "",    398, 300,  81,  27, true},
};
// clang-format on
}  // namespace

const WindowDef kAboutWindowDef{
    .id = WindowId::AboutWindow,
    .width = 552,
    .height = 352,
    .caption = "Vellmark影音系列关于窗口",
    .visible = true,
    .controls = kControls,
    .escape_button = "关闭按钮",
};

}  // namespace lumora
