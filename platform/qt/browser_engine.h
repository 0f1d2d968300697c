// Browser engine switches that must be in place before the engine starts.
#pragma once

#include <QByteArray>
#include <QByteArrayView>

namespace lumora::qtview {

// The engine's switch list (the QTWEBENGINE_CHROMIUM_FLAGS form) with ours added to the
// user's own, each of ours once.
QByteArray WithOurEngineSwitches(const QByteArray& user_switches);

// Puts WithOurEngineSwitches into QTWEBENGINE_CHROMIUM_FLAGS. Call first thing in main(),
// while the program has one thread: changing the environment races with any other thread
// reading it.
void PrepareBrowserEngine();

// Whether an OpenGL renderer name (GL_RENDERER) is a software rasteriser's.
bool IsSoftwareRenderer(QByteArrayView renderer);

// Where the only OpenGL is a software rasteriser (no GPU driver: virtual machines, virtual
// displays), has the browsers' pictures composed in software instead of through it. Call
// once the application object exists and before the first browser; a scene graph the user
// chose (QT_QUICK_BACKEND, QSG_RHI_BACKEND) stands.
void ChooseBrowserCompositing();

}  // namespace lumora::qtview
