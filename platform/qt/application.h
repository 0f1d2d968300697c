// The application set-up every program with the desktop view shares, so a window looks and
// behaves the same in the program and in the tools that show it.
#pragma once

namespace lumora::qtview {

// Before the QApplication exists, while the process has one thread: the browser engine's
// switches and the OpenGL contexts its views share.
void PrepareApplication();

// Once the QApplication exists, before the first window: names (where settings and the
// browser profile live), the quit rule, quiet engine logging and the compositing choice.
void SetUpApplication();

}  // namespace lumora::qtview
