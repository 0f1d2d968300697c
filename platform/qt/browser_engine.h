// Browser engine switches that must be in place before the engine starts.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <filesystem>
#include <optional>

class QWebEngineSettings;

namespace lumora::qtview {

// The engine's switch list (the QTWEBENGINE_CHROMIUM_FLAGS form) with ours added to the
// user's own, each of ours once. Our V8 flags (--js-flags) join the user's last --js-flags,
// unless that already chooses about the JIT.
QByteArray WithOurEngineSwitches(const QByteArray& user_switches);

// Switches off what the portal's pages do not need and an attacker could use: WebGL,
// plugins, the PDF viewer, DNS prefetch, hyperlink auditing, local pages' access to remote
// addresses, insecure content in secure pages. For the profile every
// browser shares.
void HardenBrowserSettings(QWebEngineSettings* settings);

// Once the application object exists, for an ordinary user with the sandbox not switched
// off: watches for the first sandboxed page process and, where it runs without the sandbox's
// namespaces (or without the sandbox), says so in one line on standard error, with the
// cause and the fix. The program goes on either way.
void WatchEngineSandbox();

// Puts WithOurEngineSwitches into QTWEBENGINE_CHROMIUM_FLAGS. Call first thing in main(),
// while the program has one thread: changing the environment races with any other thread
// reading it.
void PrepareBrowserEngine();

// Whether an OpenGL renderer name (GL_RENDERER) is a software rasteriser's.
bool IsSoftwareRenderer(QByteArrayView renderer);

// The graphics devices under dev (normally /dev) this user can open: a DRM node a GPU driver
// would use (dri/renderD*, dri/card*), the proprietary driver's control node (nvidiactl).
struct GraphicsDevices {
  bool drm = false;
  bool nvidia = false;
};
GraphicsDevices FindGraphicsDevices(const std::filesystem::path& dev);

// Whether every OpenGL the program could get is a software rasteriser's: no device at all,
// or a DRM device only, behind an X server without direct rendering (a virtual or remote
// display on a machine with a GPU). Unknown direct rendering counts as offered.
bool OnlySoftwareOpenGl(GraphicsDevices devices, std::optional<bool> x_direct_rendering);

// Before the QApplication exists, while the process has one thread. Where OnlySoftwareOpenGl
// holds (and the user chose no scene graph or OpenGL integration), picks the software scene
// graph and keeps the toolkit from loading an OpenGL driver at all: the software
// rasteriser's libraries alone took about 30 MiB of the program's memory.
void ComposeWithoutOpenGl();

// Once the application object exists, before the first browser and before any logging rule
// is set. After ComposeWithoutOpenGl switched OpenGL off, takes that back out of the
// environment, so programs started from this one (a browser for a link, the updater) get the
// machine's OpenGL as usual, and drops the logging rule and message filter that kept the
// toolkit quiet about it (every rule set through the API). Otherwise, where the only OpenGL
// is a software rasteriser (no GPU driver: virtual machines, virtual displays) or none is
// usable, has the browsers' pictures composed in software instead of through it; a scene
// graph the user chose (QT_QUICK_BACKEND, QSG_RHI_BACKEND) stands.
void ChooseBrowserCompositing();

}  // namespace lumora::qtview
