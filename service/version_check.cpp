#include "service/version_check.h"

#include "service/pages.h"
#include "service/service_client.h"

namespace lumora {
namespace {

// No shell and no arguments: a directory name with blanks or quotes stays one path. Whether
// it started is not examined; the program goes on ending either way.
void StartUpdater(Program& program) {
  program.System().StartProgram(UpdaterPath(program).string(), {});
}

}  // namespace

std::filesystem::path UpdaterPath(const Program& program) {
  return program.RunDirectory() / kUpdaterFileName;
}

void CheckForcedUpgrade(Program& program) {
  if (!IsOn(FetchServiceText(kForcedUpgradeSwitchPage))) return;
  if (!IsOn(FetchServiceText(kVersionPage))) return;
  program.ShowMessageBox(kUpgradeMessage, kUpgradeMessageFlags, kUpgradeTitle);
  StartUpdater(program);
  program.EndProgram(0);
}

void RunUpdater(Program& program) {
  program.DestroyWindow(WindowId::MainWindow);
  StartUpdater(program);
}

}  // namespace lumora
