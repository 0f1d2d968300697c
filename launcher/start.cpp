#include "launcher/start.h"

namespace lumora {

int RunStartRoutine(Program& program) {
  program.RegisterExitCallback([&program] { program.Shared().ReleaseTexts(); });
  try {
    program.LoadWindow(WindowId::MainWindow);
    program.RunMessageLoop();
  } catch (const ProgramEnded&) {
    // A handler ended the program during start-up; the clean-up still runs below.
  }
  program.RunExitCallbacks();
  return program.ExitCode();
}

}  // namespace lumora
