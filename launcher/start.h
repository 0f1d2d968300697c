// The start routine: everything between the launcher's checks and the process exit.
#pragma once

#include "platform/program.h"

namespace lumora {

// Registers the end-of-program clean-up, loads MainWindow (whose creation is the whole
// start-up), runs the message loop and runs the clean-up once. Returns the exit code.
int RunStartRoutine(Program& program);

}  // namespace lumora
