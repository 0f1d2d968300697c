// SettingsWindow: the options; a modal dialog.
#include "forms/windows_defs.h"

namespace lumora {

namespace {
using K = ControlKind;
constexpr int kWhite = Rgb(255, 255, 255);

// The frame lines borrow the large windows' border pictures, as in AboutWindow.
// clang-format off
constexpr ControlDef kControls[] = {
  // name            kind                 parent left top width height visible  initial
  {"图片框1",        K::PictureBox,       "",      0,   0,   2, 352, true,  {.picture = "Skins/Default/Left.gif"}},
  {"图片框2",        K::PictureBox,       "",    550,   0,   2, 352, true,  {.picture = "Skins/Default/Right.gif"}},
  {"图片框3",        K::PictureBox,       "",      0, 350, 552,   2, true,  {.picture = "Skins/Default/Foot.gif"}},
  {"图片框4",        K::PictureBox,       "",      0,   0, 552,   2, true,  {.picture = "Skins/Default/Foot.gif"}},
  {"关闭按钮",       K::GraphicButton,    "",    520,   8,  26,  20, true},
  {"选项按钮",       K::GraphicButton,    "",     10,  36, 102,  36, true},
  {"关于按钮",       K::GraphicButton,    "",     10,  73, 102,  36, true},
  {"透明标签1",      K::TransparentLabel, "",    160,  53,  72,  16, true,  {.text = "开机启动", .text_color = kWhite}},
  {"开机启动",       K::CheckBox,         "",    248,  53,  13,  13, true},
  {"透明标签2",      K::TransparentLabel, "",    272,  48, 240,  24, true,  {.text = "开机启动本程序", .text_color = kWhite}},
  {"透明标签3",      K::TransparentLabel, "",    160,  77,  72,  16, true,  {.text = "软件语言", .text_color = kWhite}},
  {"简体",           K::CheckBox,         "",    248,  78,  13,  13, true},
  {"透明标签4",      K::TransparentLabel, "",    272,  73,  56,  24, true,  {.text = "中文简体", .text_color = kWhite}},
  {"繁体",           K::CheckBox,         "",    342,  78,  13,  13, true},
  {"取消置顶标签",   K::TransparentLabel, "",    368,  73,  47,  24, true,  {.text = "中文繁體", .text_color = kWhite}},
  {"英语",           K::CheckBox,         "",    437,  78,  13,  13, true},
  {"取消置顶标签1",  K::TransparentLabel, "",    465,  73,  47,  24, true,  {.text = "English", .text_color = kWhite}},
  {"透明标签5",      K::TransparentLabel, "",    160, 118,  72,  16, true,  {.text = "渲染模式", .text_color = kWhite}},
  {"模式1",          K::CheckBox,         "",    248, 120,  13,  13, true},
  {"透明标签6",      K::TransparentLabel, "",    272, 115,  64,  24, true,  {.text = "VMR9(窗口)", .text_color = kWhite}},
  {"模式2",          K::CheckBox,         "",    342, 120,  13,  13, true},
  {"透明标签7",      K::TransparentLabel, "",    369, 115,  71,  24, true,  {.text = "VMR9(无窗口)", .text_color = kWhite}},
  {"模式3",          K::CheckBox,         "",    452, 120,  13,  13, true},
  {"透明标签8",      K::TransparentLabel, "",    479, 115,  56,  24, true,  {.text = "EVR", .text_color = kWhite}},
  {"透明标签9",      K::TransparentLabel, "",    160, 138, 368,  24, true,  {.text = "选择合适的渲染器，能有效提升视频画质，重启本软件后生效", .text_color = Rgb(128, 224, 0)}},
  {"透明标签10",     K::TransparentLabel, "",    160, 161, 328,  24, true,  {.text = "WindowsXP系统，推荐使用VMR9", .text_color = kWhite}},
  {"透明标签11",     K::TransparentLabel, "",    160, 184, 352,  24, true,  {.text = "WindowsVista/7/8系统，推荐使用VMR9", .text_color = kWhite}},
  {"透明标签14",     K::TransparentLabel, "",    272, 220, 232,  24, true,  {.text = "播放时禁用屏幕保护（仅对XP有效）", .text_color = kWhite}},
  {"屏幕保护",       K::TransparentLabel, "",    160, 225,  80,  16, true,  {.text = "屏幕保护", .text_color = kWhite}},
  {"屏保选择",       K::CheckBox,         "",    248, 225,  13,  13, true},
  {"透明标签12",     K::TransparentLabel, "",    160, 248,  80,  16, true,  {.text = "托盘设置", .text_color = kWhite}},
  {"始终置顶4",      K::CheckBox,         "",    248, 250,  13,  13, true},
  {"透明标签13",     K::TransparentLabel, "",    272, 245, 232,  24, true,  {.text = "勾选是否托盘关闭程序", .text_color = kWhite}},
  {"图形按钮1",      K::GraphicButton,    "",    186, 300,  81,  27, true},
  {"图形按钮2",      K::GraphicButton,    "",    291, 300,  81,  27, true},
  {"图形按钮3",      K::GraphicButton,    "",    398, 300,  81,  27, true},
};
// clang-format on
}  // namespace

const WindowDef kSettingsWindowDef{
    .id = WindowId::SettingsWindow,
    .width = 552,
    .height = 352,
    .caption = "Vellmark影音系列设置窗口",
    .visible = true,
    .controls = kControls,
    .escape_button = "关闭按钮",
};

}  // namespace lumora
