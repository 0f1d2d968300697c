// PlayerWindow: the player page in a framed window.
#include <optional>
#include <string>

#include "config/language.h"
#include "forms/frame.h"
#include "platform/program.h"
#include "windows/adverts.h"
#include "windows/behaviours.h"
#include "windows/config_items.h"

namespace lumora {

namespace {
constexpr WindowId kSelf = WindowId::PlayerWindow;
constexpr std::string_view kPlayer = "WebBrowser10";
constexpr std::string_view kLoading = "WebBrowser2";
constexpr int kTextAdvert = 2;

void OnCreated(Program& p, EventArgs&);
void OnTextAdvertClick(Program& p, EventArgs&);
void OnMinimizeClick(Program& p, EventArgs&);
void OnCloseClick(Program& p, EventArgs&);
void OnPlayerDocumentComplete(Program& p, EventArgs&);

// The maximize buttons of this window have no binding: the player does not maximize.
// clang-format off
constexpr Binding kBindings[] = {
  {"",             Event::Created,          OnCreated},
  {"文字广告2",    Event::LeftButtonDown,   OnTextAdvertClick},
  {"最小化按钮",   Event::Clicked,          OnMinimizeClick},
  {"关闭按钮",     Event::Clicked,          OnCloseClick},
  {"WebBrowser10", Event::DocumentComplete, OnPlayerDocumentComplete},
};
// clang-format on

// The content area below the title strip.
void FillContentArea(Program& p, std::string_view browser) {
  p.MoveControl(kSelf, browser, 0, 28, 984, 596);
}

// The skin first; then the open flags, the caption of the language and the player page,
// which loads out of sight behind the loading page.
void OnCreated(Program& p, EventArgs&) {
  ApplyFrameSkin(p, kSelf);
  WriteSetting(p, "PlayerWindows", "2");
  WriteSetting(p, "PlayerOpen", "2");
  const std::optional<int> language = LanguageChoice(p.RunDirectory());
  if (language) {
    const std::string& name = p.Shared().ProductName;
    // Both Chinese languages call it the same.
    p.SetProperty(kSelf, "", Prop::Text, name + (*language == 3 ? " Player" : " 播放器"));
    p.SetProperty(kSelf, "透明标签1", Prop::Text, p.GetProperty(kSelf, "", Prop::Text));
  }
  p.NavigateBrowser(kSelf, kPlayer, p.Shared().LastStatusText);
  p.SetProperty(kSelf, kPlayer, Prop::Visible, false);
  p.NavigateBrowser(kSelf, kLoading, p.LocalPath("Html/Loading.html").string());
  FillContentArea(p, kLoading);
  // The old browser control had to be told here to keep script errors to itself; ours never
  // shows a dialog for them, so there is nothing to switch on.
  RefreshTextAdvert(p, kTextAdvert);
}

void OnTextAdvertClick(Program& p, EventArgs&) {
  OpenTextAdvert(p, kTextAdvert);
}

void OnMinimizeClick(Program& p, EventArgs&) {
  MinimizeWindow(p, kSelf);
}

// Records the player as closed and closes the window.
void OnCloseClick(Program& p, EventArgs&) {
  WriteSetting(p, "PlayerWindows", "1");
  WriteSetting(p, "PlayerOpen", "1");
  p.DestroyWindow(kSelf);
}

// Swaps the loading page for the player once its page has loaded. Frames of the page complete
// too; repeating the swap for them changes nothing.
void OnPlayerDocumentComplete(Program& p, EventArgs&) {
  p.SetProperty(kSelf, kLoading, Prop::Visible, false);
  p.SetProperty(kSelf, kPlayer, Prop::Visible, true);
  FillContentArea(p, kPlayer);
}
}  // namespace

std::span<const Binding> PlayerWindowBindings() {
  return kBindings;
}

}  // namespace lumora
