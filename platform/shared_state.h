// The program-wide values through which windows hand results to one another. Every text
// slot owns its value; an unset slot is the empty text.
#pragma once

#include <cstdint>
#include <string>

namespace lumora {

struct SharedState {
  std::string ColumnPlayerState;       // PlayerWindows read at a column click
  std::string ColumnAppState;          // APPOpen read at a column click
  std::string ProductName;             // display name of the product
  std::string Column3Name;
  std::string CustomColumn1Address;    // fetched address of custom column 1
  std::string Column4Name;
  std::string AppLastStatusText;       // last status text of the application browser
  std::string CustomColumn2Address;    // fetched address of custom column 2
  std::string Column5Name;
  std::string StartupSwitch;
  std::string ExitPopupSwitch;
  std::string LanguageOverrideSwitch;
  std::string LanguageOverrideValue;
  std::string TraySetting;
  std::string Column2Name;
  std::string LastStatusText;          // link under the pointer in the main browser
  std::string BrowserAppState;         // APPWindows read at a new-window request
  std::string BrowserPlayerState;      // PlayerOpen read at a new-window request
  std::string StartupLanguage;         // Language read at start-up
  std::string Column1Name;
  std::string Column4Switch;
  std::string Column5Switch;
  std::string PopUnderSwitch;
  std::string RightPopupSwitch;
  std::int32_t RightPopupCountdown = 0;  // ticks before the right pop-up is shown
  std::string SettingsLanguage;
  std::string SettingsStart;
  std::string SettingsLanguageChoice;
  std::string SettingsRendering;
  std::string SettingsScreen;
  std::string MaximizeState;

  // The end-of-program clean-up: releases every text; the integer slot is left alone.
  void ReleaseTexts();
};

}  // namespace lumora
