// MainWindow: the start-up window.
#include <string>

#include "platform/program.h"
#include "windows/behaviours.h"

namespace lumora {

namespace {
constexpr WindowId kSelf = WindowId::MainWindow;

void OnCreated(Program& p, EventArgs&);
void OnMinimizeClick(Program& p, EventArgs&);
void OnCloseClick(Program& p, EventArgs&);
void OnMemoryTimer(Program& p, EventArgs&);

// clang-format off
constexpr Binding kBindings[] = {
  {"",           Event::Created, OnCreated},
  {"最小化按钮", Event::Clicked, OnMinimizeClick},
  {"关闭按钮",   Event::Clicked, OnCloseClick},
  {"内存时钟",   Event::Tick,    OnMemoryTimer},
};
// clang-format on

void OnCreated(Program& p, EventArgs&) {
  // Until the service is wired in, the main browser shows the local loading page.
  const std::string loading = "file://" + p.LocalPath("Html/Loading.html").string();
  p.NavigateBrowser(kSelf, "WebBrowser1", loading);
  p.SetProperty(kSelf, "WebBrowser2", Prop::Visible, false);
}

void OnMinimizeClick(Program& p, EventArgs&) {
  p.SetProperty(kSelf, "", Prop::WindowState, kWindowStateMinimized);
}

void OnCloseClick(Program& p, EventArgs&) { p.DestroyWindow(kSelf); }

void OnMemoryTimer(Program& p, EventArgs&) { p.System().TrimWorkingSet(); }
}  // namespace

std::span<const Binding> MainWindowBindings() { return kBindings; }

}  // namespace lumora
