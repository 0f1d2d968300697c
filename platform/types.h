// Vocabulary shared by the window model, the catalogue, the behaviours and the views.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace lumora {

// The nine windows of the program. At most one instance of each is loaded at a time.
enum class WindowId {
  MainWindow,
  PlayerWindow,
  AppCentreWindow,
  AppWindow,
  PopUnderWindow,
  RightPopupWindow,
  ExitPopupWindow,
  AboutWindow,
  SettingsWindow,
};
inline constexpr int kWindowCount = 9;

inline constexpr std::array<std::string_view, kWindowCount> kWindowNames = {
    "MainWindow",       "PlayerWindow",    "AppCentreWindow", "AppWindow",      "PopUnderWindow",
    "RightPopupWindow", "ExitPopupWindow", "AboutWindow",     "SettingsWindow",
};
constexpr std::string_view WindowName(WindowId id) {
  return kWindowNames[static_cast<int>(id)];
}
std::optional<WindowId> WindowFromName(std::string_view name);

enum class ControlKind {
  PictureBox,
  CheckBox,
  Timer,
  GraphicButton,
  TransparentLabel,
  StatusBar,
  WebBrowser,
  HtmlView,
  MenuSkinner,
};
std::string_view ControlKindName(ControlKind kind);

// Control properties the behaviours set or read. The window itself is addressed with the
// empty control name and uses Left/Top/Width/Height, Visible, Text (its caption),
// WindowState, BackgroundPicture and TopMost.
enum class Prop {
  Left,
  Top,
  Width,
  Height,
  Visible,
  Text,           // label text, status-bar text, window caption
  Interval,       // timer interval in ms; 0 stops the timer
  Picture,        // picture box
  NormalPicture,  // graphic button slots
  HoverPicture,
  PressedPicture,
  DisabledPicture,
  Address,      // browser / HTML view: setting it loads the page
  Checked,      // check box
  WindowState,  // 0 normal, 2 minimized
  BackgroundPicture,
  TopMost,
  TextColor,   // 0xRRGGBB
  FontPixels,  // 0: the view's default font
  HandCursor,
};
std::string_view PropName(Prop prop);

inline constexpr int kWindowStateNormal = 0;
inline constexpr int kWindowStateMinimized = 2;

using Bytes = std::vector<std::uint8_t>;

// A property value: an integer, a logical, a text (UTF-8) or picture bytes. An unset value
// reads as the zero of the wanted type ("" for texts).
using Value = std::variant<std::monostate, int, bool, std::string, Bytes>;

int AsInt(const Value& v);
bool AsBool(const Value& v);
std::string AsText(const Value& v);
Bytes AsBytes(const Value& v);

// Events a control or window raises.
enum class Event {
  Created,           // window
  Clicked,           // button, graphic button, check box
  Tick,              // timer
  LeftButtonDown,    // any control
  RightButtonDown,   // any control
  MenuItemClicked,   // popup menu item (control name is the item's path)
  TrayNotify,        // window; args.integer: 1 click, 2 double click, 3 right click
  StatusTextChange,  // browser; args.text
  NewWindow2,        // browser; args.cancel in/out
  DocumentComplete,  // browser; args.text is the address
};
std::string_view EventName(Event event);

struct EventArgs {
  int integer = 0;  // tray kind, key state
  int x = 0;        // pointer position for mouse events
  int y = 0;
  std::string text;  // status text, document address
  bool cancel = false;
};

enum class BrowserCommand { GoBack, GoForward, Refresh, Stop };

struct Point {
  int x = 0;
  int y = 0;
};
struct Size {
  int width = 0;
  int height = 0;
};
struct Rect {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
};

}  // namespace lumora
