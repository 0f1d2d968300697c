// The entry points of every window: which behaviour runs for which event.
#pragma once

#include <span>

#include "platform/definition.h"

namespace lumora {

std::span<const Binding> BindingsFor(WindowId window);

// The catalogue together with these bindings, as the program loads them.
Catalogue ProgramCatalogue();

// Per-window binding tables, each next to its handlers in windows/<window>.cpp.
std::span<const Binding> MainWindowBindings();
std::span<const Binding> PlayerWindowBindings();
std::span<const Binding> AppCentreWindowBindings();
std::span<const Binding> AppWindowBindings();
std::span<const Binding> PopUnderWindowBindings();
std::span<const Binding> RightPopupWindowBindings();
std::span<const Binding> ExitPopupWindowBindings();
std::span<const Binding> AboutWindowBindings();
std::span<const Binding> SettingsWindowBindings();

}  // namespace lumora
