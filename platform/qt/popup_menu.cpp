#include "platform/qt/popup_menu.h"

#include <QAction>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>

#include "platform/qt/qt_convert.h"

namespace lumora::qtview {

namespace {

bool Listed(std::span<const std::string_view> items, const std::string& path) {
  return std::find(items.begin(), items.end(), path) != items.end();
}

QString CssColor(int rgb) {
  return ColorFromRgb(rgb).name(QColor::HexRgb);
}

// The skin's six colours, as the skinner uses them: menu background, the icon margin,
// highlighted item background, highlighted item frame, the menu's border and separator
// lines. Item text stays the dark text of a light menu, so it reads on every background
// the skin gives. A colour that is not set keeps the style's own.
QString SkinStyleSheet(const MenuSkin& skin) {
  const auto& c = skin.colors;
  auto set = [](int rgb) { return ColorFromRgb(rgb).isValid(); };
  QString css = QStringLiteral("QMenu { color: #1f2328;");
  if (set(c[0])) css += QStringLiteral(" background-color: %1;").arg(CssColor(c[0]));
  if (set(c[5])) css += QStringLiteral(" border: 1px solid %1;").arg(CssColor(c[5]));
  css += QStringLiteral(" padding: 2px; }");
  css += QStringLiteral(" QMenu::item { padding: 4px 24px 4px 26px; background: transparent;");
  css += QStringLiteral(" border: 1px solid transparent; }");
  if (set(c[1])) {
    css +=
        QStringLiteral(" QMenu::icon { padding-left: 4px; background: %1; }").arg(CssColor(c[1]));
  }
  css += QStringLiteral(" QMenu::item:selected { color: #000000;");
  if (set(c[2])) css += QStringLiteral(" background-color: %1;").arg(CssColor(c[2]));
  if (set(c[3])) css += QStringLiteral(" border: 1px solid %1;").arg(CssColor(c[3]));
  css += QStringLiteral(" }");
  if (set(c[4])) {
    css += QStringLiteral(" QMenu::separator { height: 1px; margin: 3px 4px; background: %1; }")
               .arg(CssColor(c[4] == c[0] ? c[1] : c[4]));
  }
  return css;
}

void Decorate(QAction* action, const MenuSkin* skin, const std::string& path) {
  action->setData(ToQString(path));
  if (skin == nullptr) return;
  if (Listed(skin->image0_items, path)) {
    action->setIcon(QIcon(MenuImage(0)));
  } else if (Listed(skin->image1_items, path)) {
    action->setIcon(QIcon(MenuImage(1)));
  }
}

}  // namespace

QPixmap MenuImage(int index) {
  QPixmap image(15, 15);
  image.fill(Qt::transparent);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  if (index == 0) {
    painter.fillRect(image.rect(), QColor(220, 30, 30));
    painter.setPen(QPen(Qt::white, 2));
    painter.drawEllipse(QRectF(3.5, 3.5, 8, 8));
  } else {
    const QColor green(30, 160, 50);
    QPainterPath triangle;
    triangle.moveTo(7.5, 1);
    triangle.lineTo(14, 9);
    triangle.lineTo(1, 9);
    triangle.closeSubpath();
    painter.fillPath(triangle, green);
    painter.fillRect(QRect(1, 11, 13, 3), green);
  }
  return image;
}

bool BuildPopupMenu(const WindowDef& def, std::string_view name, QMenu& menu) {
  const auto& items = def.menus;
  auto start = std::find_if(items.begin(), items.end(), [&](const MenuItemDef& item) {
    return item.level == 0 && item.text == name;
  });
  if (start == items.end()) return false;
  if (def.menu_skin != nullptr) menu.setStyleSheet(SkinStyleSheet(*def.menu_skin));

  const std::string menu_path(name);
  QMenu* submenu = nullptr;  // where level-2 items of the current item go
  bool item_shown = false;   // level-2 items of a hidden item are hidden with it
  std::string item_path;
  for (auto it = start + 1; it != items.end() && it->level != 0; ++it) {
    const std::string text(it->text);
    if (it->level == 1) {
      submenu = nullptr;
      item_shown = it->visible;
      if (!it->visible) continue;
      if (text == "-") {
        menu.addSeparator();
        item_shown = false;
        continue;
      }
      item_path = menu_path + "/" + text;
      const bool has_sub_items = (it + 1) != items.end() && (it + 1)->level == 2;
      if (has_sub_items) {
        submenu = menu.addMenu(ToQString(text));
        Decorate(submenu->menuAction(), def.menu_skin, item_path);
      } else {
        Decorate(menu.addAction(ToQString(text)), def.menu_skin, item_path);
      }
    } else if (it->level == 2 && it->visible && item_shown && submenu != nullptr) {
      if (text == "-") {
        submenu->addSeparator();
      } else {
        Decorate(submenu->addAction(ToQString(text)), def.menu_skin, item_path + "/" + text);
      }
    }
  }
  return true;
}

std::string RunPopupMenu(const WindowDef& def, std::string_view name, QPoint global) {
  QMenu menu;
  menu.setObjectName(ToQString(name));
  if (!BuildPopupMenu(def, name, menu) || menu.isEmpty()) return {};
  QAction* chosen = menu.exec(global);
  // The item that opens a sub-menu is not a choice.
  if (chosen == nullptr || chosen->menu() != nullptr) return {};
  return chosen->data().toString().toStdString();
}

}  // namespace lumora::qtview
