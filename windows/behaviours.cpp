#include "windows/behaviours.h"

#include "forms/catalogue.h"
#include "forms/spoken_names.h"
#include "windows/url_policy.h"

namespace lumora {

std::span<const Binding> BindingsFor(WindowId window) {
  switch (window) {
    case WindowId::MainWindow:
      return MainWindowBindings();
    case WindowId::PlayerWindow:
      return PlayerWindowBindings();
    case WindowId::AppCentreWindow:
      return AppCentreWindowBindings();
    case WindowId::AppWindow:
      return AppWindowBindings();
    case WindowId::PopUnderWindow:
      return PopUnderWindowBindings();
    case WindowId::RightPopupWindow:
      return RightPopupWindowBindings();
    case WindowId::ExitPopupWindow:
      return ExitPopupWindowBindings();
    case WindowId::AboutWindow:
      return AboutWindowBindings();
    case WindowId::SettingsWindow:
      return SettingsWindowBindings();
  }
  return {};
}

Catalogue ProgramCatalogue() {
  return Catalogue{&WindowDefinition, &BindingsFor, &SpokenNameOf, &OpenWebAddress, &PageTrustOf};
}

}  // namespace lumora
