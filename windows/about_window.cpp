// AboutWindow: versions, acknowledgements and links; a modal dialog.
#include "platform/program.h"
#include "windows/behaviours.h"

namespace lumora {

namespace {
void OnCreated(Program& p, EventArgs&);
void OnServiceChatClick(Program& p, EventArgs&);
void OnWebsiteClick(Program& p, EventArgs&);
void OnOptionsTabClick(Program& p, EventArgs&);
void OnCloseClick(Program& p, EventArgs&);

// The own tab and the apply button do nothing here.
// clang-format off
constexpr Binding kBindings[] = {
  {"",          Event::Created,        OnCreated},
  {"版本1",     Event::LeftButtonDown, OnServiceChatClick},
  {"版本7",     Event::LeftButtonDown, OnWebsiteClick},
  {"选项按钮",  Event::Clicked,        OnOptionsTabClick},
  {"图形按钮1", Event::Clicked,        OnCloseClick},
  {"图形按钮2", Event::Clicked,        OnCloseClick},
  {"关闭按钮",  Event::Clicked,        OnCloseClick},
};
// clang-format on

// Skins, texts and versions in the language.
void OnCreated(Program&, EventArgs&) {}

// Opens the customer-service chat.
void OnServiceChatClick(Program&, EventArgs&) {}

// Opens the product's web site.
void OnWebsiteClick(Program&, EventArgs&) {}

// Closes this dialog and opens SettingsWindow in its place.
void OnOptionsTabClick(Program&, EventArgs&) {}

// Closes the dialog.
void OnCloseClick(Program&, EventArgs&) {}
}  // namespace

std::span<const Binding> AboutWindowBindings() {
  return kBindings;
}

}  // namespace lumora
