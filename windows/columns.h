// The column labels of MainWindow's title strip and the main page's requests for new
// windows: columns 2 to 5 open AppCentreWindow, links that want a window of their own open
// PlayerWindow, each over MainWindow and 30 pixels in. Only one content window is wanted at
// a time, so each opener first closes the other window when its flag says it is open.
#pragma once

#include <string>

#include "platform/program.h"

namespace lumora {

// A left click on the label of `column` (2 to 5; others do nothing).
void OpenColumn(Program& program, int column);

// WebBrowser1 of MainWindow asks for a new window; sets `cancel` when the player opens
// instead.
void OpenPlayerForNewWindow(Program& program, bool& cancel);

// WebBrowser1 of MainWindow shows a new status text: the link under the pointer, which the
// player opens next.
void KeepStatusText(Program& program, const std::string& text);

}  // namespace lumora
