// Browser engine switches that must be in place before the engine starts.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <filesystem>

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

// Whether no graphics device under dev (normally /dev) can be opened by this user: no DRM
// node a GPU driver would use (dri/renderD*, dri/card*) and no proprietary driver's control
// node (nvidiactl). Then every OpenGL the machine offers is a software rasteriser.
bool NoGraphicsDevice(const std::filesystem::path& dev);

// Before the QApplication exists, while the process has one thread. On a machine without a
// graphics device (and no scene graph or OpenGL integration the user chose), picks the
// software scene graph and keeps the toolkit from loading an OpenGL driver at all: the
// software rasteriser's libraries alone took about 30 MiB of the program's memory. Returns
// whether it did; then call ForgetOpenGlOverride() once the QApplication exists.
bool ComposeWithoutOpenGl();

// Takes the OpenGL switch-off back out of the environment, so programs started from this
// one (a browser for a link, the updater) get the machine's OpenGL as usual, and drops the
// logging rule that kept the toolkit quiet about it (every rule set through the API).
void ForgetOpenGlOverride();

// Where the only OpenGL is a software rasteriser (no GPU driver: virtual machines, virtual
// displays), has the browsers' pictures composed in software instead of through it. Call
// once the application object exists and before the first browser; a scene graph the user
// chose (QT_QUICK_BACKEND, QSG_RHI_BACKEND) stands.
void ChooseBrowserCompositing();

}  // namespace lumora::qtview
