// MainWindow: the start-up window with the column bar and the main browser.
#include "forms/menu_skin.h"
#include "forms/windows_defs.h"

namespace lumora {

namespace {
using K = ControlKind;
constexpr int kLightText = Rgb(236, 236, 236);
constexpr int kWhite = Rgb(255, 255, 255);
constexpr int kAdvert = Rgb(192, 96, 0);

// clang-format off
constexpr ControlDef kControls[] = {
  // name            kind                 parent    left top  width height visible  initial
  {"toppic",         K::PictureBox,       "",        0,   0,  984, 30,  true},
  {"leftpic",        K::PictureBox,       "",        0,   2,    2, 620, true},
  {"rightpic",       K::PictureBox,       "",      982,   2,    2, 620, true},
  {"图片框1",        K::PictureBox,       "",        0, 622,  984,   2, true},
  {"图片框2",        K::PictureBox,       "toppic",  6,   3,   22,  26, true},
  {"软件名称标签",   K::TransparentLabel, "toppic", 33,   4,   60,  24, true,  {.text = "Corvane", .text_color = kLightText}},
  {"栏目1标签",      K::TransparentLabel, "toppic", 103,  8,   60,  16, true,  {.text = "影视片库", .text_color = Rgb(145, 187, 0)}},
  {"栏目2标签",      K::TransparentLabel, "toppic", 173,  8,   60,  16, true,  {.text = "电视直播", .text_color = kWhite}},
  {"栏目3标签",      K::TransparentLabel, "toppic", 243,  8,   60,  16, true,  {.text = "应用中心", .text_color = kWhite}},
  {"栏目4标签",      K::TransparentLabel, "toppic", 313,  8,   60,  16, true,  {.text = "玩玩游戏", .text_color = kWhite}},
  {"栏目5标签",      K::TransparentLabel, "toppic", 383,  4,   60,  24, true,  {.text = "官方推荐", .text_color = kLightText}},
  {"文字广告1",      K::TransparentLabel, "toppic", 464,  4,  360,  24, false, {.text = "透明标签", .text_color = kAdvert}},
  {"选项按钮",       K::GraphicButton,    "toppic", 847,  4,   44,  26, true},
  {"最小化按钮",     K::GraphicButton,    "toppic", 892,  4,   26,  20, true},
  {"最大化按钮",     K::GraphicButton,    "toppic", 922,  4,   26,  20, true},
  {"关闭按钮",       K::GraphicButton,    "toppic", 950,  4,   26,  20, true},
  {"WebBrowser1",    K::WebBrowser,       "",        0,  28,  984, 596, true},
  {"WebBrowser2",    K::WebBrowser,       "",      296,   8,  100, 100, true},
  {"状态条1",        K::StatusBar,        "",        0, 574,  405,  20, false},
  {"内存时钟",       K::Timer,            "",        0,   0,    0,   0, true,  {.interval = 200}},
  {"背投时钟",       K::Timer,            "",        0,   0,    0,   0, true,  {.interval = 60000}},
  {"启动窗口超级菜单", K::MenuSkinner,    "",        0,   0,    0,   0, true},
};

// The option menu in three languages, then the main browser's menu in three languages.
constexpr MenuItemDef kMenus[] = {
  {"选项按钮菜单", 0},
    {"窗口设置", 1, false},
      {"置顶", 2},
      {"取消置顶", 2},
    {"软件选项", 1},
    {"-", 1},
    {"联系客服", 1},
    {"-", 1},
    {"升级程序", 1},
    {"关于本程序", 1},
    {"-", 1},
    {"退出", 1},
  {"繁体菜单", 0},
    {"軟件設置", 1},
    {"-", 1},
    {"聯系客服", 1},
    {"-", 1},
    {"升級程序", 1},
    {"關于本程序", 1},
    {"-", 1},
    {"退出", 1},
  {"英文菜单", 0},
    {"Settings", 1},
    {"-", 1},
    {"Contact us", 1},
    {"-", 1},
    {"Upgrade program", 1},
    {"About program", 1},
    {"-", 1},
    {"Quit", 1},
  {"简体右键", 0},
    {"返回", 1}, {"前进", 1}, {"-", 1}, {"从新载入", 1}, {"-", 1}, {"停止", 1},
  {"繁体右键", 0},
    {"返回", 1}, {"前進", 1}, {"-", 1}, {"從新載入", 1}, {"-", 1}, {"停止", 1},
  {"英语右键", 0},
    {"GoBack", 1}, {"GoForward", 1}, {"-", 1}, {"Refresh", 1}, {"-", 1}, {"Stop", 1},
};

constexpr std::string_view kImage0Items[] = {
  "简体右键/停止", "繁体右键/停止", "英语右键/Stop",
  "选项按钮菜单/软件选项", "繁体菜单/軟件設置", "英文菜单/Settings",
};
constexpr std::string_view kImage1Items[] = {
  "简体右键/返回", "繁体右键/返回", "英语右键/GoBack",
  "选项按钮菜单/退出", "繁体菜单/退出", "英文菜单/Quit",
};
// clang-format on

constexpr MenuSkin kMenuSkin{kMenuSkinColors, kImage0Items, kImage1Items};
}  // namespace

const WindowDef kMainWindowDef{
    .id = WindowId::MainWindow,
    .width = 984,
    .height = 624,
    .caption = "",
    .visible = true,
    .controls = kControls,
    .menus = kMenus,
    .menu_skin = &kMenuSkin,
};

}  // namespace lumora
