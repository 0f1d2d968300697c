#pragma once

#include <string_view>

namespace lumora::qtview {

// A modal message box after the classic flags: the low four bits choose the buttons
// (0 OK, 1 OK/Cancel, 2 Abort/Retry/Ignore, 3 Yes/No/Cancel, 4 Yes/No, 5 Retry/Cancel), 16
// 32 48 64 the icon. Returns the classic code of the button pressed (OK 1, Cancel 2,
// Abort 3, Retry 4, Ignore 5, Yes 6, No 7).
int RunMessageBox(std::string_view text, int flags, std::string_view title);

}  // namespace lumora::qtview
