// Checks for the run-time components the program cannot work without.
#pragma once

#include <string>

namespace lumora {

inline constexpr const char* kRuntimeErrorText =
    "Not found the kernel library or the kernel library is invalid!";
inline constexpr const char* kRuntimeErrorTitle = "Error";
inline constexpr int kRuntimeErrorExitCode = 255;  // -1 as the process sees it

// Whether a display server can be reached (the Qt platform chosen by the environment).
// On failure `why` says what is missing.
bool DisplayAvailable(std::string& why);
// Whether the browser engine's helper process and resources are present and usable.
bool BrowserEngineAvailable(std::string& why);

}  // namespace lumora
