// SettingsWindow: the options; a modal dialog.
#include "platform/program.h"
#include "windows/behaviours.h"

namespace lumora {

namespace {
void OnCreated(Program& p, EventArgs&);
void OnAboutTabClick(Program& p, EventArgs&);
void OnLanguage1Click(Program& p, EventArgs&);
void OnLanguage2Click(Program& p, EventArgs&);
void OnLanguage3Click(Program& p, EventArgs&);
void OnRendering1Click(Program& p, EventArgs&);
void OnRendering2Click(Program& p, EventArgs&);
void OnRendering3Click(Program& p, EventArgs&);
void OnConfirmClick(Program& p, EventArgs&);
void OnCancelClick(Program& p, EventArgs&);
void OnApplyClick(Program& p, EventArgs&);

// The start-up, screen-saver and tray boxes are only read when saving; the own tab does
// nothing.
// clang-format off
constexpr Binding kBindings[] = {
  {"",          Event::Created, OnCreated},
  {"关于按钮",  Event::Clicked, OnAboutTabClick},
  {"简体",      Event::Clicked, OnLanguage1Click},
  {"繁体",      Event::Clicked, OnLanguage2Click},
  {"英语",      Event::Clicked, OnLanguage3Click},
  {"模式1",     Event::Clicked, OnRendering1Click},
  {"模式2",     Event::Clicked, OnRendering2Click},
  {"模式3",     Event::Clicked, OnRendering3Click},
  {"图形按钮1", Event::Clicked, OnConfirmClick},
  {"图形按钮2", Event::Clicked, OnCancelClick},
  {"图形按钮3", Event::Clicked, OnApplyClick},
  {"关闭按钮",  Event::Clicked, OnCancelClick},
};
// clang-format on

// Skins and texts in the language, the boxes preset from the stored settings.
void OnCreated(Program&, EventArgs&) {}

// Closes this dialog and opens AboutWindow in its place.
void OnAboutTabClick(Program&, EventArgs&) {}

// Choose a language at once: clear the other two boxes and store the code.
void OnLanguage1Click(Program&, EventArgs&) {}
void OnLanguage2Click(Program&, EventArgs&) {}
void OnLanguage3Click(Program&, EventArgs&) {}

// Choose a rendering mode: clear the other two boxes.
void OnRendering1Click(Program&, EventArgs&) {}
void OnRendering2Click(Program&, EventArgs&) {}
void OnRendering3Click(Program&, EventArgs&) {}

// Saves the settings and closes the dialog.
void OnConfirmClick(Program&, EventArgs&) {}

// Closes the dialog without saving.
void OnCancelClick(Program&, EventArgs&) {}

// Saves the settings; the dialog stays open.
void OnApplyClick(Program&, EventArgs&) {}
}  // namespace

std::span<const Binding> SettingsWindowBindings() {
  return kBindings;
}

}  // namespace lumora
