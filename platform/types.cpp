#include "platform/types.h"

namespace lumora {

std::optional<WindowId> WindowFromName(std::string_view name) {
  for (int i = 0; i < kWindowCount; ++i) {
    if (kWindowNames[i] == name) return static_cast<WindowId>(i);
  }
  return std::nullopt;
}

std::string_view ControlKindName(ControlKind kind) {
  switch (kind) {
    case ControlKind::PictureBox: return "picture box";
    case ControlKind::CheckBox: return "check box";
    case ControlKind::Timer: return "timer";
    case ControlKind::GraphicButton: return "graphic button";
    case ControlKind::TransparentLabel: return "transparent label";
    case ControlKind::StatusBar: return "status bar";
    case ControlKind::WebBrowser: return "web browser";
    case ControlKind::HtmlView: return "HTML view";
    case ControlKind::MenuSkinner: return "menu skinner";
  }
  return "?";
}

std::string_view PropName(Prop prop) {
  switch (prop) {
    case Prop::Left: return "left";
    case Prop::Top: return "top";
    case Prop::Width: return "width";
    case Prop::Height: return "height";
    case Prop::Visible: return "visible";
    case Prop::Text: return "text";
    case Prop::Interval: return "interval";
    case Prop::Picture: return "picture";
    case Prop::NormalPicture: return "normal picture";
    case Prop::HoverPicture: return "mouse-over picture";
    case Prop::PressedPicture: return "pressed picture";
    case Prop::DisabledPicture: return "disabled picture";
    case Prop::Address: return "address";
    case Prop::Checked: return "checked";
    case Prop::WindowState: return "window state";
    case Prop::BackgroundPicture: return "background picture";
    case Prop::TopMost: return "top-most";
    case Prop::TextColor: return "text colour";
    case Prop::FontPixels: return "font pixels";
    case Prop::HandCursor: return "hand cursor";
  }
  return "?";
}

std::string_view EventName(Event event) {
  switch (event) {
    case Event::Created: return "created";
    case Event::Clicked: return "clicked";
    case Event::Tick: return "tick";
    case Event::LeftButtonDown: return "left button down";
    case Event::RightButtonDown: return "right button down";
    case Event::MenuItemClicked: return "menu item clicked";
    case Event::TrayNotify: return "tray notification";
    case Event::StatusTextChange: return "StatusTextChange";
    case Event::NewWindow2: return "NewWindow2";
    case Event::DocumentComplete: return "DocumentComplete";
  }
  return "?";
}

int AsInt(const Value& v) {
  if (const int* i = std::get_if<int>(&v)) return *i;
  if (const bool* b = std::get_if<bool>(&v)) return *b ? 1 : 0;
  return 0;
}

bool AsBool(const Value& v) {
  if (const bool* b = std::get_if<bool>(&v)) return *b;
  if (const int* i = std::get_if<int>(&v)) return *i != 0;
  return false;
}

std::string AsText(const Value& v) {
  if (const std::string* s = std::get_if<std::string>(&v)) return *s;
  return {};
}

Bytes AsBytes(const Value& v) {
  if (const Bytes* b = std::get_if<Bytes>(&v)) return *b;
  return {};
}

}  // namespace lumora
