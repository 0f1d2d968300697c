// The service's advertising that several windows share: the text advertisements in the
// title strips of the four large windows, the customer-service chat, the pop-under schedule
// of MainWindow and the start of the pop-ups.
#pragma once

#include <string_view>

#include "platform/program.h"

namespace lumora {

// Text advertisement `label` (1 MainWindow, 2 PlayerWindow, 3 AppCentreWindow, 4 AppWindow):
// shown with the service's caption while its switch is on, hidden when a second look at the
// switch finds it off.
void RefreshTextAdvert(Program& program, int label);

// Opens the target of text advertisement `label` with the desktop's handler.
void OpenTextAdvert(Program& program, int label);

// Opens the messenger chat with the service's customer-service account.
void OpenServiceChat(Program& program);

// Pictures of the close button of RightPopupWindow and ExitPopupWindow.
void SkinPopupCloseButton(Program& program, WindowId window);

// Start-up with the start-up switch off: fetches the pop-under switch for the pop-under
// timer, then loads RightPopupWindow, which decides for itself whether it appears.
void StartPopupAdvertising(Program& program);

// A tick of MainWindow's pop-under timer.
void PopUnderTick(Program& program);

// The pop-under timer's next interval in milliseconds for the service's number of seconds:
// truncated toward zero and held within what a timer takes; 0 (stopped) for a text that is
// no number, a negative number or one that is not finite.
int PopUnderIntervalMs(std::string_view seconds_text);

}  // namespace lumora
