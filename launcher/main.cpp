// The program file's entry point: check the run-time, start the desktop view, run.
#include <QApplication>
#include <QMessageBox>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <memory>

#include "launcher/runtime_check.h"
#include "launcher/stall_monitor.h"
#include "launcher/start.h"
#include "launcher/termination.h"
#include "platform/files.h"
#include "platform/program.h"
#include "platform/qt/application.h"
#include "platform/qt/qt_view.h"
#include "platform/system/linux_system.h"
#include "updater/core/layout.h"
#include "updater/core/swap.h"
#include "windows/behaviours.h"

namespace {

// An update that a crash or a power cut interrupted is finished or undone before anything
// reads the app folder; when that put another build in place, that build starts instead.
void FinishInterruptedUpdate(const std::filesystem::path& self, char** argv) {
  const lumora::update::Layout layout = lumora::update::LayoutFor(self.parent_path());
  std::error_code error;
  if (!std::filesystem::exists(layout.staging, error)) return;  // the common case: one stat
  bool changed = false;
  lumora::update::RecoverUnlessBusy(layout, &changed);
  if (!changed) return;
  const std::string program = (layout.app / self.filename()).string();
  execv(program.c_str(), argv);
  std::fprintf(stderr, "lumora: cannot start the recovered build %s\n", program.c_str());
}

}  // namespace

int main(int argc, char** argv) {
  using namespace lumora;
  std::string why;
  if (!DisplayAvailable(why)) {
    // No window can be shown: standard error is the only place to say it.
    std::fprintf(stderr, "%s (%s)\n", kRuntimeErrorText, why.c_str());
    return kRuntimeErrorExitCode;
  }
  if (const std::filesystem::path early = ProgramFilePath(); !early.empty()) {
    FinishInterruptedUpdate(early, argv);
  }
  qtview::PrepareApplication();
  QApplication app(argc, argv);
  qtview::SetUpApplication();
  if (!BrowserEngineAvailable(why)) {
    std::fprintf(stderr, "%s (%s)\n", kRuntimeErrorText, why.c_str());
    QMessageBox::critical(nullptr, kRuntimeErrorTitle, kRuntimeErrorText);
    return kRuntimeErrorExitCode;
  }

  const std::filesystem::path self = ProgramFilePath();
  if (self.empty()) {
    // Without its own path the program finds neither its data nor its Config.ini.
    std::fprintf(stderr, "%s (cannot read the program's own path)\n", kRuntimeErrorText);
    QMessageBox::critical(nullptr, kRuntimeErrorTitle, kRuntimeErrorText);
    return kRuntimeErrorExitCode;
  }
  ProgramEnvironment env{self.parent_path(), self.filename().string()};
  // Before the view, so its record also covers the view's teardown on the way out.
  const auto stalls = StallMonitor::FromEnvironment();
  QtView view;
  LinuxSystem system;
  Program program(ProgramCatalogue(), view, system, env);
  const auto watch = WatchTerminationSignals(program);
  return RunStartRoutine(program);
}
