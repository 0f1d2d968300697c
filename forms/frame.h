// The skinned frame of the five framed windows (MainWindow, PlayerWindow, AppCentreWindow,
// AppWindow, PopUnderWindow): skin pictures, minimize, and the maximize/restore toggle
// whose state lives in Config.ini.
#pragma once

#include "platform/program.h"

namespace lumora {

// Loads the frame pictures of "Skins/Default/" into the window's frame controls. A file
// that cannot be read leaves its slot with an empty picture; nothing is reported. Windows
// without a frame are left alone.
void ApplyFrameSkin(Program& program, WindowId window);

void MinimizeWindow(Program& program, WindowId window);

// The maximize button of MainWindow, AppCentreWindow and AppWindow. The window's flag in
// Config.ini says what the click does: "1" maximizes to the whole screen and stores "2",
// "2" restores the design size near the screen's centre and stores "1", anything else
// (a missing item included) makes the button inert. Other windows are left alone.
void ToggleMaximize(Program& program, WindowId window);

}  // namespace lumora
