#include "windows/columns.h"

#include "config/text_number.h"
#include "service/pages.h"
#include "service/service_client.h"
#include "windows/config_items.h"

namespace lumora {

namespace {

constexpr WindowId kMain = WindowId::MainWindow;
constexpr WindowId kCentre = WindowId::AppCentreWindow;
constexpr WindowId kPlayer = WindowId::PlayerWindow;
constexpr int kOffset = 30;

// Over MainWindow where it is now, 30 pixels right and down; top first, then left.
void PlaceOverMainWindow(Program& p, WindowId window) {
  const int main_left = AsInt(p.GetProperty(kMain, "", Prop::Left));
  const int main_top = AsInt(p.GetProperty(kMain, "", Prop::Top));
  p.SetProperty(window, "", Prop::Top, main_top + kOffset);
  p.SetProperty(window, "", Prop::Left, main_left + kOffset);
}

const std::string& ColumnName(const SharedState& s, int column) {
  switch (column) {
    case 2:
      return s.Column2Name;
    case 3:
      return s.Column3Name;
    case 4:
      return s.Column4Name;
    default:
      return s.Column5Name;
  }
}

void OpenAppCentreForColumn(Program& p, int column, const std::string& language) {
  SharedState& s = p.Shared();
  p.LoadWindow(kCentre);
  // Column 5 has always sent its browser off before placing the window.
  if (column == 5) p.NavigateBrowser(kCentre, "WebBrowser1", s.CustomColumn2Address);
  PlaceOverMainWindow(p, kCentre);
  switch (column) {
    case 2:
      p.NavigateBrowser(kCentre, "WebBrowser1", ServicePageAddress(kLiveTvPage));
      break;
    case 3:
      p.NavigateBrowser(kCentre, "WebBrowser1", "about:blank");
      p.NavigateBrowser(kCentre, "WebBrowser应用专用", ServicePageAddress(kAppCentrePage));
      break;
    case 4:
      p.NavigateBrowser(kCentre, "WebBrowser1", s.CustomColumn1Address);
      break;
    default:
      break;
  }
  // The title is the same in every language, but only a known language sets it.
  if (NumberMatches(language, 1) || NumberMatches(language, 2) || NumberMatches(language, 3)) {
    const std::string title = s.ProductName + " " + ColumnName(s, column);
    p.SetProperty(kCentre, "APP应用名称", Prop::Text, title);
    p.SetProperty(kCentre, "", Prop::Text, title);
  }
}

void OpenPlayerOverMainWindow(Program& p) {
  p.LoadWindow(kPlayer);
  PlaceOverMainWindow(p, kPlayer);
}

}  // namespace

void OpenColumn(Program& p, int column) {
  if (column < 2 || column > 5) return;
  SharedState& s = p.Shared();
  if (column == 4) s.CustomColumn1Address = FetchServiceText(kColumn4AddressPage);
  if (column == 5) s.CustomColumn2Address = FetchServiceText(kColumn5AddressPage);
  s.ColumnPlayerState = ReadSetting(p, "PlayerWindows");
  s.ColumnAppState = ReadSetting(p, "APPOpen");
  const std::string language = ReadSetting(p, "Language");
  // Decided on the values read once, so one click opens at most one window.
  const std::string player = s.ColumnPlayerState;
  const std::string centre = s.ColumnAppState;
  if (centre != "1" && centre != "2") return;
  if (centre == "2") p.DestroyWindow(kCentre);
  if (player == "1") {
    OpenAppCentreForColumn(p, column, language);
  } else if (player == "2") {
    p.DestroyWindow(kPlayer);
    WriteSetting(p, "PlayerWindows", "1");
    WriteSetting(p, "PlayerOpen", "1");
    OpenAppCentreForColumn(p, column, language);
  }
}

void OpenPlayerForNewWindow(Program& p, bool& cancel) {
  SharedState& s = p.Shared();
  s.BrowserAppState = ReadSetting(p, "APPWindows");
  s.BrowserPlayerState = ReadSetting(p, "PlayerOpen");
  const std::string centre = s.BrowserAppState;
  const std::string player = s.BrowserPlayerState;
  if (player == "2") {
    p.DestroyWindow(kPlayer);  // opened again below, on the new page
    WriteSetting(p, "PlayerOpen", "1");
  }
  if (player != "1" && player != "2") return;
  if (centre == "1") {
    cancel = true;
    OpenPlayerOverMainWindow(p);
  } else if (centre == "2") {
    p.DestroyWindow(kCentre);
    WriteSetting(p, "APPWindows", "1");
    cancel = true;
    OpenPlayerOverMainWindow(p);
  }
}

void KeepStatusText(Program& p, const std::string& text) {
  const ControlRef source = p.GetEventSource();
  if (source.window == kMain && source.control == "WebBrowser1") {
    p.SetStatusText(kMain, "状态条1", 0, text);
  }
  p.Shared().LastStatusText = text;
}

}  // namespace lumora
