#include "windows/behaviours.h"

#include "forms/catalogue.h"

namespace lumora {

std::span<const Binding> BindingsFor(WindowId window) {
  switch (window) {
    case WindowId::MainWindow: return MainWindowBindings();
    default: return {};
  }
}

Catalogue ProgramCatalogue() { return Catalogue{&WindowDefinition, &BindingsFor}; }

}  // namespace lumora
