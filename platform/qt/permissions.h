// Pages get none of the engine's permissions: notifications, location, camera, microphone,
// screen capture, pointer lock and the rest are refused without asking the user.
#pragma once

class QWebEnginePage;

namespace lumora::qtview {

// Refuses every permission request of `page` for as long as it lives. A video portal needs
// none of them, and a prompt would only be in the way.
void DenyAllPermissions(QWebEnginePage* page);

}  // namespace lumora::qtview
