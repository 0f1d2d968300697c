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

}  // namespace lumora
