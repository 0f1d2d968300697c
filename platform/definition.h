// The format in which windows are declared as data. The catalogue (forms/) fills these
// tables; the model instantiates them; the behaviours (windows/) bind their events.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "platform/types.h"

namespace lumora {

class Program;

constexpr int Rgb(int r, int g, int b) {
  return (r << 16) | (g << 8) | b;
}
inline constexpr int kNoColor = -1;

// Kind-specific initial properties; the defaults mean "not set".
struct InitialProps {
  std::string_view text{};    // label text
  int text_color = kNoColor;  // 0xRRGGBB
  int font_pixels = 0;        // label font height
  int interval = 0;           // timer interval in ms
  bool checked = false;       // check box
  bool hand_cursor = false;   // pointer shape over the control
  // Pictures shipped with the data, relative to the run directory: a picture box shows
  // `picture`; a graphic button uses it as normal and pressed image and `hover_picture`
  // while the pointer is over it.
  std::string_view picture{};
  std::string_view hover_picture{};
  // A browser that shows advertising: a link the user opens in a new window leaves the
  // program for the desktop's web browser instead of opening a window of ours.
  bool opens_links_outside = false;
};

struct ControlDef {
  std::string_view name;
  ControlKind kind;
  std::string_view parent;  // "" for the window itself, else a container control
  int left;
  int top;
  int width;
  int height;
  bool visible;
  InitialProps props{};
};

// Popup menus are a flat list in order; level 0 starts a menu, 1 is an item, 2 a sub-item
// of the item before it. "-" is a separator.
struct MenuItemDef {
  std::string_view text;
  int level;
  bool visible = true;
};

// Colours and item images of a window's menu skinner.
struct MenuSkin {
  std::array<int, 6> colors{};
  // Items (by path "menu/item") that carry image 0 and image 1.
  std::span<const std::string_view> image0_items{};
  std::span<const std::string_view> image1_items{};
};

struct WindowDef {
  WindowId id;
  int width;
  int height;
  std::string_view caption;
  bool visible;
  std::span<const ControlDef> controls;
  std::span<const MenuItemDef> menus{};
  const MenuSkin* menu_skin = nullptr;
  // The window's own icon, relative to the run directory; "" (or a file that cannot be
  // read) shows the program's icon.
  std::string_view icon{};
  // The button Escape presses (a dialog's close button); "" when Escape does nothing.
  std::string_view escape_button{};
  // The browser whose media the desktop's media controls (media keys, the panel's player)
  // drive while the window is open; "" for none. Their "quit" presses `close_button`.
  std::string_view media_browser{};
  std::string_view close_button{};
};

inline constexpr int kDesignLeft = 50;
inline constexpr int kDesignTop = 50;

using Handler = void (*)(Program&, EventArgs&);

// One entry point of a window: control "" is the window itself; for menu items the control
// is the item's path, "menu text/item text" (sub-items: "menu/item/sub-item").
struct Binding {
  std::string_view control;
  Event event;
  Handler handler;
};

// How a screen reader announces a control: a short name in the interface language ("" for
// none) and whether the control is one of a dialog's tabs rather than a plain button.
struct SpokenName {
  std::string_view text{};
  bool tab = false;
};

// What a browser does with an address it is to show as its page: show it, hand it to the
// desktop's web browser instead, or go nowhere.
enum class PageTrust { kShow, kDesktop, kNowhere };

// Where the program finds its windows and their bindings; supplied by the catalogue and
// the behaviours so the platform depends on neither.
struct Catalogue {
  const WindowDef& (*definition)(WindowId) = nullptr;
  std::span<const Binding> (*bindings)(WindowId) = nullptr;
  // Asked at each announcement, so a change of language is heard in open windows too.
  SpokenName (*spoken_name)(const Program&, WindowId, std::string_view control) = nullptr;
  // Hands an address to the desktop's web browser when the program's allow-list lets it
  // out; nullptr: nothing ever leaves.
  void (*open_outside)(Program&, const std::string&) = nullptr;
  // Whether a browser may show an address as its page; nullptr: every address.
  PageTrust (*page_trust)(const Program&, std::string_view address) = nullptr;
};

}  // namespace lumora
