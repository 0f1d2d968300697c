#include "platform/qt/message_box.h"

#include <QMessageBox>
#include <QPushButton>
#include <utility>
#include <vector>

#include "platform/qt/qt_convert.h"

namespace lumora::qtview {

namespace {

QMessageBox::Icon IconFor(int flags) {
  switch (flags & 0xF0) {
    case 16:
      return QMessageBox::Critical;
    case 32:
      return QMessageBox::Question;
    case 48:
      return QMessageBox::Warning;
    case 64:
      return QMessageBox::Information;
    default:
      return QMessageBox::NoIcon;
  }
}

using Button = std::pair<QMessageBox::StandardButton, int>;

std::vector<Button> ButtonsFor(int flags) {
  using B = QMessageBox;
  switch (flags & 0x0F) {
    case 1:
      return {{B::Ok, 1}, {B::Cancel, 2}};
    case 2:
      return {{B::Abort, 3}, {B::Retry, 4}, {B::Ignore, 5}};
    case 3:
      return {{B::Yes, 6}, {B::No, 7}, {B::Cancel, 2}};
    case 4:
      return {{B::Yes, 6}, {B::No, 7}};
    case 5:
      return {{B::Retry, 4}, {B::Cancel, 2}};
    default:
      return {{B::Ok, 1}};
  }
}

}  // namespace

int RunMessageBox(std::string_view text, int flags, std::string_view title) {
  QMessageBox box(IconFor(flags), ToQString(title), ToQString(text));
  box.setTextFormat(Qt::PlainText);
  box.setWindowModality(Qt::ApplicationModal);
  const std::vector<Button> buttons = ButtonsFor(flags);
  for (const auto& [button, code] : buttons) box.addButton(button);
  box.setDefaultButton(buttons.front().first);
  const auto pressed = static_cast<QMessageBox::StandardButton>(box.exec());
  for (const auto& [button, code] : buttons) {
    if (button == pressed) return code;
  }
  // Closed without a button (Escape where nothing is the escape button): the box's
  // cancelling answer, or OK where that is the only one.
  for (const auto& [button, code] : buttons) {
    if (code == 2) return code;
  }
  return buttons.size() == 1 ? buttons.front().second : buttons.back().second;
}

}  // namespace lumora::qtview
