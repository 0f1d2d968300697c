#include "platform/shared_state.h"

namespace lumora {

void SharedState::ReleaseTexts() {
  std::string* texts[] = {
      &ColumnPlayerState, &ColumnAppState,      &ProductName,        &Column3Name,
      &CustomColumn1Address, &Column4Name,      &AppLastStatusText,  &CustomColumn2Address,
      &Column5Name,       &StartupSwitch,       &ExitPopupSwitch,    &LanguageOverrideSwitch,
      &LanguageOverrideValue, &TraySetting,     &Column2Name,        &LastStatusText,
      &BrowserAppState,   &BrowserPlayerState,  &StartupLanguage,    &Column1Name,
      &Column4Switch,     &Column5Switch,       &PopUnderSwitch,     &RightPopupSwitch,
      &SettingsLanguage,  &SettingsStart,       &SettingsLanguageChoice, &SettingsRendering,
      &SettingsScreen,    &MaximizeState,
  };
  for (std::string* t : texts) {
    t->clear();
    t->shrink_to_fit();
  }
}

}  // namespace lumora
