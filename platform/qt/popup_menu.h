// Popup menus built from a window's menu table and styled by its menu skin.
#pragma once

#include <QPixmap>
#include <QPoint>
#include <string>
#include <string_view>

#include "platform/definition.h"

class QMenu;

namespace lumora::qtview {

// Fills `menu` with the items of the level-0 menu called `name`; returns false when the
// window has no such menu. Each action's data is its item path ("menu/item",
// "menu/item/sub-item").
bool BuildPopupMenu(const WindowDef& def, std::string_view name, QMenu& menu);

// Shows the menu at `global` and returns the chosen item's path, "" when dismissed.
std::string RunPopupMenu(const WindowDef& def, std::string_view name, QPoint global);

// The skin's two item images, 15 by 15 pixels.
QPixmap MenuImage(int index);

}  // namespace lumora::qtview
