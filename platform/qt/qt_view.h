// The desktop view: real, frameless windows for the loaded windows of the model, one
// widget per control, each named after its control. Events of the widgets go back to the
// program through Program::Raise; everything they show is read from the model.
#pragma once

#include <QPointer>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/program.h"
#include "platform/view.h"

class QWidget;

namespace lumora {

namespace qtview {
class BrowserHost;
class Downloads;
class NestedLoops;
class SkinnedWindow;
}  // namespace qtview

class QtView final : public View {
 public:
  // The browsers keep cookies and cache in `browser_storage`; empty: "browser" in the
  // user's data location for this application.
  explicit QtView(std::filesystem::path browser_storage = {});
  ~QtView() override;
  QtView(const QtView&) = delete;
  QtView& operator=(const QtView&) = delete;

  // The top-level widget of a loaded window, nullptr when it is not loaded.
  QWidget* WindowWidget(WindowId window) const;
  // Browser windows the pages opened for themselves and that are still open.
  int OwnBrowserWindowCount() const;
  // The window that lists the downloads, nullptr before the first one.
  QWidget* DownloadWindow() const;

  void Attach(Program& program) override;
  void WindowCreated(WindowId window) override;
  void WindowDestroyed(WindowId window) override;
  void PropertyChanged(WindowId window, std::string_view control, Prop prop,
                       const Value& value) override;
  void MoveToBottom(WindowId window, std::string_view control) override;
  void BringToFront(WindowId window) override;
  void SetModal(WindowId window) override;
  void RunBrowserCommand(WindowId window, std::string_view control,
                         BrowserCommand command) override;
  // `at` is in the window's coordinates.
  std::string PopupMenu(WindowId window, std::string_view menu, std::optional<Point> at) override;
  int ShowMessageBox(std::string_view text, int flags, std::string_view title) override;
  void SetTrayIcon(WindowId window, std::string_view icon_path, std::string_view tooltip) override;
  bool TrayAvailable() override;
  void SetStatusText(WindowId window, std::string_view control, int pane,
                     std::string_view text) override;
  Size ScreenSize() override;
  Rect WorkArea(WindowId window) override;
  Point CursorPosition() override;
  void RunLoopUntil(const std::function<bool()>& done, std::optional<int> timeout_ms) override;
  void WakeLoops() override;
  void Post(std::function<void()> action) override;
  void RunBlocking(const std::function<void()>& work) override;

 private:
  struct Shown;

  Shown* Find(WindowId window) const;
  // Whether this load of the window is still the loaded one: what its widgets report goes
  // nowhere once it has been destroyed or loaded anew.
  bool IsCurrent(WindowId window, std::uint64_t generation) const;
  // Delivers an event only while the window instance it came from is still loaded.
  void RaiseFrom(WindowId window, std::uint64_t generation, std::string_view control, Event event,
                 EventArgs& args);
  void Retire(std::unique_ptr<Shown> shown, bool now);
  // The desktop's media controls for the window's media browser, when it names one.
  void StartMediaControl(Shown& shown, WindowId window, const WindowDef& def);

  Program* program_ = nullptr;
  std::unique_ptr<qtview::BrowserHost> browsers_;
  std::unique_ptr<qtview::Downloads> downloads_;
  std::unique_ptr<qtview::NestedLoops> loops_;
  std::map<WindowId, std::unique_ptr<Shown>> windows_;
  std::vector<QPointer<QWidget>> retired_;  // destroyed windows awaiting deleteLater
};

}  // namespace lumora
