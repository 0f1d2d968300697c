// MainWindow: the start-up window with the column bar, the main browser and the tray icon.
#include <optional>
#include <string_view>

#include "config/language.h"
#include "forms/browser_menus.h"
#include "forms/frame.h"
#include "platform/program.h"
#include "service/version_check.h"
#include "windows/adverts.h"
#include "windows/behaviours.h"
#include "windows/columns.h"
#include "windows/exit_sequence.h"
#include "windows/startup.h"

namespace lumora {

namespace {
constexpr WindowId kSelf = WindowId::MainWindow;

void OnCreated(Program& p, EventArgs&);
void OnTrayNotify(Program& p, EventArgs&);
void OnMemoryTimer(Program& p, EventArgs&);
void OnPopUnderTimer(Program& p, EventArgs&);
void OnTextAdvertClick(Program& p, EventArgs&);
void OnColumn2Click(Program& p, EventArgs&);
void OnColumn3Click(Program& p, EventArgs&);
void OnColumn4Click(Program& p, EventArgs&);
void OnColumn5Click(Program& p, EventArgs&);
void OnOptionClick(Program& p, EventArgs&);
void OnMinimizeClick(Program& p, EventArgs&);
void OnMaximizeClick(Program& p, EventArgs&);
void OnCloseClick(Program& p, EventArgs&);
void OnBrowserStatusText(Program& p, EventArgs&);
void OnBrowserNewWindow(Program& p, EventArgs&);
void OnSettingsItem(Program& p, EventArgs&);
void OnServiceChatItem(Program& p, EventArgs&);
void OnUpgradeItem(Program& p, EventArgs&);
void OnAboutItem(Program& p, EventArgs&);
void OnQuitItem(Program& p, EventArgs&);

// clang-format off
constexpr Binding kBindings[] = {
  {"",                         Event::Created,          OnCreated},
  {"",                         Event::TrayNotify,       OnTrayNotify},
  {"内存时钟",                 Event::Tick,             OnMemoryTimer},
  {"背投时钟",                 Event::Tick,             OnPopUnderTimer},
  {"文字广告1",                Event::LeftButtonDown,   OnTextAdvertClick},
  {"栏目2标签",                Event::LeftButtonDown,   OnColumn2Click},
  {"栏目3标签",                Event::LeftButtonDown,   OnColumn3Click},
  {"栏目4标签",                Event::LeftButtonDown,   OnColumn4Click},
  {"栏目5标签",                Event::LeftButtonDown,   OnColumn5Click},
  {"选项按钮",                 Event::Clicked,          OnOptionClick},
  {"最小化按钮",               Event::Clicked,          OnMinimizeClick},
  {"最大化按钮",               Event::Clicked,          OnMaximizeClick},
  {"关闭按钮",                 Event::Clicked,          OnCloseClick},
  {"WebBrowser1",              Event::StatusTextChange, OnBrowserStatusText},
  {"WebBrowser1",              Event::NewWindow2,       OnBrowserNewWindow},
  {"WebBrowser1",              Event::RightButtonDown,  OnBrowserRightButton},
  // The option menu, one per language.
  {"选项按钮菜单/软件选项",    Event::MenuItemClicked,  OnSettingsItem},
  {"选项按钮菜单/联系客服",    Event::MenuItemClicked,  OnServiceChatItem},
  {"选项按钮菜单/升级程序",    Event::MenuItemClicked,  OnUpgradeItem},
  {"选项按钮菜单/关于本程序",  Event::MenuItemClicked,  OnAboutItem},
  {"选项按钮菜单/退出",        Event::MenuItemClicked,  OnQuitItem},
  {"繁体菜单/軟件設置",        Event::MenuItemClicked,  OnSettingsItem},
  {"繁体菜单/聯系客服",        Event::MenuItemClicked,  OnServiceChatItem},
  {"繁体菜单/升級程序",        Event::MenuItemClicked,  OnUpgradeItem},
  {"繁体菜单/關于本程序",      Event::MenuItemClicked,  OnAboutItem},
  {"繁体菜单/退出",            Event::MenuItemClicked,  OnQuitItem},
  {"英文菜单/Settings",        Event::MenuItemClicked,  OnSettingsItem},
  {"英文菜单/Contact us",      Event::MenuItemClicked,  OnServiceChatItem},
  {"英文菜单/Upgrade program", Event::MenuItemClicked,  OnUpgradeItem},
  {"英文菜单/About program",   Event::MenuItemClicked,  OnAboutItem},
  {"英文菜单/Quit",            Event::MenuItemClicked,  OnQuitItem},
  // The main browser's menu, one per language.
  {"简体右键/返回",            Event::MenuItemClicked,  OnBrowserMenuGoBack},
  {"简体右键/前进",            Event::MenuItemClicked,  OnBrowserMenuGoForward},
  {"简体右键/从新载入",        Event::MenuItemClicked,  OnBrowserMenuRefresh},
  {"简体右键/停止",            Event::MenuItemClicked,  OnBrowserMenuStop},
  {"繁体右键/返回",            Event::MenuItemClicked,  OnBrowserMenuGoBack},
  {"繁体右键/前進",            Event::MenuItemClicked,  OnBrowserMenuGoForward},
  {"繁体右键/從新載入",        Event::MenuItemClicked,  OnBrowserMenuRefresh},
  {"繁体右键/停止",            Event::MenuItemClicked,  OnBrowserMenuStop},
  {"英语右键/GoBack",          Event::MenuItemClicked,  OnBrowserMenuGoBack},
  {"英语右键/GoForward",       Event::MenuItemClicked,  OnBrowserMenuGoForward},
  {"英语右键/Refresh",         Event::MenuItemClicked,  OnBrowserMenuRefresh},
  {"英语右键/Stop",            Event::MenuItemClicked,  OnBrowserMenuStop},
};
// clang-format on

// The whole start-up of the program.
void OnCreated(Program& p, EventArgs&) {
  RunMainWindowStartup(p);
}

constexpr std::string_view kOptionMenus[] = {"选项按钮菜单", "繁体菜单", "英文菜单"};

// The option menu of the stored language; none for a language that is not 1, 2 or 3.
std::optional<std::string_view> OptionMenu(const Program& p) {
  const std::optional<int> language = LanguageChoice(p.RunDirectory());
  if (!language) return std::nullopt;
  return kOptionMenus[*language - 1];
}

// Tray icon: 1 and 2 (click, double click) show the window, in front and active rather than
// behind whatever the user had open meanwhile; 3 pops up the option menu of the language
// where the pointer is.
void OnTrayNotify(Program& p, EventArgs& args) {
  if (args.integer == 1 || args.integer == 2) {
    p.SetProperty(kSelf, "", Prop::Visible, true);
    p.BringToFront(kSelf);
  } else if (args.integer == 3) {
    if (const auto menu = OptionMenu(p)) p.PopupMenu(kSelf, *menu, p.GetCursorPosition());
  }
}

// Hands unused memory back to the system, for the whole life of the window.
void OnMemoryTimer(Program& p, EventArgs&) {
  p.System().TrimWorkingSet();
}

void OnPopUnderTimer(Program& p, EventArgs&) {
  PopUnderTick(p);
}

void OnTextAdvertClick(Program& p, EventArgs&) {
  OpenTextAdvert(p, 1);
}

// Columns 2 to 5 open their content in the application centre.
void OnColumn2Click(Program& p, EventArgs&) {
  OpenColumn(p, 2);
}
void OnColumn3Click(Program& p, EventArgs&) {
  OpenColumn(p, 3);
}
void OnColumn4Click(Program& p, EventArgs&) {
  OpenColumn(p, 4);
}
void OnColumn5Click(Program& p, EventArgs&) {
  OpenColumn(p, 5);
}

// The menu must not open behind a window that stays on top, so that flag goes first.
void OnOptionClick(Program& p, EventArgs&) {
  const auto menu = OptionMenu(p);
  if (!menu) return;
  p.SetProperty(kSelf, "", Prop::TopMost, false);
  p.PopupMenu(kSelf, *menu);
}

void OnMinimizeClick(Program& p, EventArgs&) {
  MinimizeWindow(p, kSelf);
}

void OnMaximizeClick(Program& p, EventArgs&) {
  ToggleMaximize(p, kSelf);
}

void OnCloseClick(Program& p, EventArgs&) {
  CloseMainWindow(p);
}

void OnBrowserStatusText(Program& p, EventArgs& args) {
  KeepStatusText(p, args.text);
}

void OnBrowserNewWindow(Program& p, EventArgs& args) {
  // The address the page asked for beats the link the pointer last crossed: a scripted
  // window.open or a link opened from the keyboard names its own.
  if (!args.text.empty()) p.Shared().LastStatusText = args.text;
  OpenPlayerForNewWindow(p, args.cancel);
}

void OnSettingsItem(Program& p, EventArgs&) {
  p.LoadWindow(WindowId::SettingsWindow, true);
}

void OnServiceChatItem(Program& p, EventArgs&) {
  OpenServiceChat(p);
}

// Closes the main window and starts the updater; the program ends with the window.
void OnUpgradeItem(Program& p, EventArgs&) {
  RunUpdater(p);
}

void OnAboutItem(Program& p, EventArgs&) {
  p.LoadWindow(WindowId::AboutWindow, true);
}

void OnQuitItem(Program& p, EventArgs&) {
  ExitSequence(p);
}
}  // namespace

std::span<const Binding> MainWindowBindings() {
  return kBindings;
}

}  // namespace lumora
