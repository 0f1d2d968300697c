// MainWindow: the start-up window with the column bar, the main browser and the tray icon.
#include <string>

#include "forms/browser_menus.h"
#include "forms/frame.h"
#include "platform/program.h"
#include "windows/behaviours.h"

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

void OnCreated(Program& p, EventArgs&) {
  ApplyFrameSkin(p, kSelf);
  // Until the service is wired in, the main browser shows the local loading page.
  const std::string loading = "file://" + p.LocalPath("Html/Loading.html").string();
  p.NavigateBrowser(kSelf, "WebBrowser1", loading);
  p.SetProperty(kSelf, "WebBrowser2", Prop::Visible, false);
}

// Tray icon: 1 and 2 show the window, 3 pops up the option menu of the language.
void OnTrayNotify(Program&, EventArgs&) {}

void OnMemoryTimer(Program& p, EventArgs&) {
  p.System().TrimWorkingSet();
}

// Pop-under schedule: opens PopUnderWindow while its switch is on.
void OnPopUnderTimer(Program&, EventArgs&) {}

// Opens the target of text advertisement 1.
void OnTextAdvertClick(Program&, EventArgs&) {}

// Columns 2 to 5 open their content in the player or the application centre.
void OnColumn2Click(Program&, EventArgs&) {}
void OnColumn3Click(Program&, EventArgs&) {}
void OnColumn4Click(Program&, EventArgs&) {}
void OnColumn5Click(Program&, EventArgs&) {}

// Pops up the option menu of the language under the button.
void OnOptionClick(Program&, EventArgs&) {}

void OnMinimizeClick(Program& p, EventArgs&) {
  MinimizeWindow(p, kSelf);
}

void OnMaximizeClick(Program& p, EventArgs&) {
  ToggleMaximize(p, kSelf);
}

// Until the exit sequence exists, closing the main window ends the program.
void OnCloseClick(Program& p, EventArgs&) {
  p.DestroyWindow(kSelf);
}

// Shows the link under the pointer in the status bar and keeps it for the player.
void OnBrowserStatusText(Program&, EventArgs&) {}

// Opens the player for the requested page instead of a browser window of its own.
void OnBrowserNewWindow(Program&, EventArgs&) {}

// Opens SettingsWindow as a modal dialog.
void OnSettingsItem(Program&, EventArgs&) {}

// Opens the customer-service chat.
void OnServiceChatItem(Program&, EventArgs&) {}

// Starts the updater.
void OnUpgradeItem(Program&, EventArgs&) {}

// Opens AboutWindow as a modal dialog.
void OnAboutItem(Program&, EventArgs&) {}

// Runs the exit sequence.
void OnQuitItem(Program&, EventArgs&) {}
}  // namespace

std::span<const Binding> MainWindowBindings() {
  return kBindings;
}

}  // namespace lumora
