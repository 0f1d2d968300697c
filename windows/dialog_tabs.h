// What SettingsWindow and AboutWindow share: their pictures and the two tabs through which
// each replaces the other.
#pragma once

#include "platform/program.h"

namespace lumora {

// The background and the close button, the same in every language.
void SkinDialogFrame(Program& program, WindowId dialog);

// The tab and dialog-button pictures of `language` (1 to 3). The dialog's own tab shows its
// "current" picture, the other tab its "other" picture; one picture serves all three states.
void SkinDialogButtons(Program& program, WindowId dialog, int language);

// Closes `from` and opens `to` as a modal dialog in its place.
void SwitchDialogTab(Program& program, WindowId from, WindowId to);

}  // namespace lumora
