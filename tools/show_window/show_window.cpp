// lumora-show-window: one window of the program on its own, to look at it (the window
// screenshots of scripts/screenshot-windows.sh). A development aid; it is never installed.
//
//   lumora-show-window APP_DIR WINDOW [SECONDS]
//
// Runs the program as the desktop program does (Qt view, catalogue, behaviours) on the app
// folder APP_DIR and loads WINDOW, so that its own creation event runs. MainWindow runs the
// whole start-up. For any other window, what the program would have set up before opening
// it is set up first: the start-up's names, and the page the user picked where the window
// shows one. Prints "shown 0x<X window id>" once the window is on screen; ends when the
// window is gone, at SIGTERM or after SECONDS (default 60). Exit status 0 when the window
// was shown, 1 when it never was, 2 for a wrong command line.
#include <QApplication>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string_view>

#include "launcher/termination.h"
#include "platform/program.h"
#include "platform/qt/application.h"
#include "platform/qt/qt_view.h"
#include "platform/system/linux_system.h"
#include "service/service_client.h"
#include "windows/behaviours.h"
#include "windows/columns.h"
#include "windows/config_items.h"
#include "windows/startup.h"

namespace lumora {
namespace {

constexpr int kDefaultSeconds = 60;
constexpr int kMaxSeconds = 3600;

std::optional<WindowId> WindowNamed(std::string_view name) {
  for (int i = 0; i < kWindowCount; ++i) {
    if (kWindowNames[static_cast<std::size_t>(i)] == name) return static_cast<WindowId>(i);
  }
  return std::nullopt;
}

// Opens `window` the way the program gets there: after the start-up has loaded the names,
// with the page a user would have picked in the window that opens it.
void Open(Program& p, WindowId window) {
  if (window == WindowId::MainWindow) {
    p.LoadWindow(window);
    return;
  }
  ResetWindowFlags(p);
  p.Shared().StartupLanguage = ReadSetting(p, "Language");
  LoadStartupNames(p);
  switch (window) {
    case WindowId::AppCentreWindow:
      OpenColumn(p, 3);  // the application centre's column
      return;
    case WindowId::PlayerWindow:
      KeepStatusText(p, ServicePageAddress("video/1.html"));
      break;
    case WindowId::AppWindow:
      p.Shared().AppLastStatusText = ServicePageAddress("apps/calculator.html");
      break;
    default:
      break;
  }
  p.LoadWindow(window);
}

int Usage() {
  std::fprintf(stderr, "usage: lumora-show-window APP_DIR WINDOW [SECONDS]\nwindows:");
  for (std::string_view name : kWindowNames) {
    std::fprintf(stderr, " %.*s", static_cast<int>(name.size()), name.data());
  }
  std::fprintf(stderr, "\n");
  return 2;
}

}  // namespace
}  // namespace lumora

int main(int argc, char** argv) {
  using namespace lumora;
  if (argc < 3 || argc > 4) return Usage();
  const std::optional<WindowId> window = WindowNamed(argv[2]);
  int seconds = kDefaultSeconds;
  if (argc == 4) {
    const std::string_view text = argv[3];
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), seconds);
    if (error != std::errc() || end != text.data() + text.size() || seconds < 1 ||
        seconds > kMaxSeconds) {
      return Usage();
    }
  }
  std::error_code error;
  const std::filesystem::path app_dir = std::filesystem::absolute(argv[1], error);
  if (!window || error || !std::filesystem::is_directory(app_dir)) return Usage();

  qtview::PrepareApplication();
  QApplication app(argc, argv);
  qtview::SetUpApplication();

  // A profile of its own, so a look at a window leaves the user's cookies and cache alone.
  const QTemporaryDir browser_storage;
  if (!browser_storage.isValid()) return 1;
  QtView view(browser_storage.path().toStdString());
  LinuxSystem system;
  Program program(ProgramCatalogue(), view, system, ProgramEnvironment{app_dir, "lumora"});
  const auto watch = WatchTerminationSignals(program);
  program.RegisterExitCallback([&program] { program.Shared().ReleaseTexts(); });

  bool shown = false;
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    const QWidget* widget = view.WindowWidget(*window);
    if (shown || widget == nullptr || !widget->isVisible()) return;
    shown = true;
    std::printf("shown 0x%llx\n", static_cast<unsigned long long>(widget->winId()));
    std::fflush(stdout);
  });
  poll.start(100);
  QTimer::singleShot(seconds * 1000, [&program] { program.Terminate(0); });

  try {
    Open(program, *window);
    view.RunLoopUntil([&] { return program.Ended() || !program.IsLoaded(*window); }, std::nullopt);
  } catch (const ProgramEnded&) {
    // The window's behaviour or a signal ended the program; the clean-up still runs.
  }
  program.RunExitCallbacks();
  return shown ? 0 : 1;
}
