#include "platform/qt/browser_engine.h"

#include <unistd.h>

#include <QList>
#include <QLoggingCategory>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFunctions>
#include <QQuickWindow>
#include <QSGRendererInterface>
#include <QtGlobal>
#include <array>
#include <string>
#include <system_error>

#include "platform/system/x_server.h"

namespace lumora::qtview {

namespace {

constexpr std::array<const char*, 2> kOurSwitches = {
    // The home page loads in a hidden browser behind the loading page, and the engine runs
    // a hidden page's process at a lower CPU priority; on a busy machine that held the home
    // page's load back by up to a second. Hidden pages still draw nothing, so this costs no
    // CPU once the page is idle.
    "--disable-renderer-backgrounding",
    // The engine keeps a second, unsandboxed zygote for helpers that run outside the sandbox;
    // here those parts run inside the program, so it sat idle for the whole run (20 MiB).
    // Page processes still come from the sandboxed zygote; a helper that would have used
    // the other one is started on its own.
    "--no-unsandboxed-zygote",
};

// The toolkit's X11 and Wayland back ends read these while the QApplication is built; a name
// that matches no plugin leaves the Wayland back end with shared-memory buffers only.
constexpr std::array<const char*, 2> kGlIntegrations = {"QT_XCB_GL_INTEGRATION",
                                                        "QT_WAYLAND_CLIENT_BUFFER_INTEGRATION"};

bool UserChoseSceneGraph() {
  return qEnvironmentVariableIsSet("QT_QUICK_BACKEND") ||
         qEnvironmentVariableIsSet("QSG_RHI_BACKEND");
}

bool UserChoseGraphics() {
  if (UserChoseSceneGraph()) return true;
  for (const char* name : kGlIntegrations) {
    if (qEnvironmentVariableIsSet(name)) return true;
  }
  return false;
}

bool Openable(const std::filesystem::path& node) {
  return ::access(node.c_str(), R_OK | W_OK) == 0;
}

bool set_gl_integration = false;
QtMessageHandler earlier_handler = nullptr;

// The X11 back end says it has no OpenGL, as it was told; the user need not read that.
void QuietAboutNoOpenGl(QtMsgType type, const QMessageLogContext& context, const QString& text) {
  if (text.startsWith(QLatin1String("QXcbIntegration: Cannot create platform OpenGL"))) return;
  if (earlier_handler != nullptr) earlier_handler(type, context, text);
}

// Takes the switch-off of ComposeWithoutOpenGl back out of the environment, so programs
// started from this one (a browser for a link, the updater) get the machine's OpenGL as
// usual, and drops the logging rule and message filter that kept the toolkit quiet about it.
// Whether there was one.
bool ForgetOpenGlOverride() {
  if (!set_gl_integration) return false;
  for (const char* name : kGlIntegrations) qunsetenv(name);
  QLoggingCategory::setFilterRules(QString());
  qInstallMessageHandler(earlier_handler);
  set_gl_integration = false;
  return true;
}

constexpr std::array<const char*, 5> kSoftwareRenderers = {
    "llvmpipe", "softpipe", "swrast", "software rasterizer", "swiftshader",
};

}  // namespace

QByteArray WithOurEngineSwitches(const QByteArray& user_switches) {
  // The user's own text stays as it is; only reading it for ours splits it.
  QByteArray switches = user_switches;
  const QList<QByteArray> given = user_switches.simplified().split(' ');
  for (const char* ours : kOurSwitches) {
    if (given.contains(QByteArray(ours))) continue;
    if (!switches.trimmed().isEmpty()) switches += ' ';
    switches += ours;
  }
  return switches;
}

void PrepareBrowserEngine() {
  qputenv("QTWEBENGINE_CHROMIUM_FLAGS",
          WithOurEngineSwitches(qgetenv("QTWEBENGINE_CHROMIUM_FLAGS")));
}

GraphicsDevices FindGraphicsDevices(const std::filesystem::path& dev) {
  GraphicsDevices found;
  found.nvidia = Openable(dev / "nvidiactl");
  std::error_code error;
  for (std::filesystem::directory_iterator it(dev / "dri", error), end;
       !error && it != end && !found.drm; it.increment(error)) {
    const std::string name = it->path().filename().string();
    found.drm = (name.starts_with("renderD") || name.starts_with("card")) && Openable(it->path());
  }
  return found;
}

bool OnlySoftwareOpenGl(GraphicsDevices devices, std::optional<bool> x_direct_rendering) {
  // The proprietary driver brings its own OpenGL for its own X server: the probe decides.
  if (devices.nvidia) return false;
  return !devices.drm || x_direct_rendering == false;
}

void ComposeWithoutOpenGl() {
  if (UserChoseGraphics()) return;
  const GraphicsDevices devices = FindGraphicsDevices("/dev");
  std::optional<bool> x_direct;
  // The toolkit's default platform is X11; the launcher has set QT_QPA_PLATFORM=wayland where
  // only a Wayland compositor answers.
  const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
  if (devices.drm && !devices.nvidia && (platform.isEmpty() || platform.startsWith("xcb")) &&
      qEnvironmentVariableIsSet("DISPLAY")) {
    x_direct = XServerOffersDirectRendering(qgetenv("DISPLAY").toStdString());
  }
  if (!OnlySoftwareOpenGl(devices, x_direct)) return;
  QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
  for (const char* name : kGlIntegrations) qputenv(name, "none");
  // The Wayland back end reports the missing plugin it was told to use as a warning.
  QLoggingCategory::setFilterRules(QStringLiteral("qt.qpa.wayland.warning=false"));
  earlier_handler = qInstallMessageHandler(QuietAboutNoOpenGl);
  set_gl_integration = true;
}

bool IsSoftwareRenderer(QByteArrayView renderer) {
  const QByteArray name = renderer.toByteArray().toLower();
  for (const char* software : kSoftwareRenderers) {
    if (name.contains(software)) return true;
  }
  return false;
}

void ChooseBrowserCompositing() {
  if (ForgetOpenGlOverride() || UserChoseSceneGraph()) return;
  // Without a usable OpenGL (none offered, or an integration the user switched off) only the
  // software scene graph draws at all; through OpenGL the browsers stayed blank.
  bool software = true;
  // The context Qt shares between all windows.
  QOpenGLContext* shared = QOpenGLContext::globalShareContext();
  QOffscreenSurface surface;
  if (shared != nullptr && shared->isValid()) {
    surface.setFormat(shared->format());
    surface.create();
    if (surface.isValid() && shared->makeCurrent(&surface)) {
      const auto* renderer =
          reinterpret_cast<const char*>(shared->functions()->glGetString(GL_RENDERER));
      software = renderer != nullptr && IsSoftwareRenderer(renderer);
      shared->doneCurrent();
    }
  }
  // Every browser view composes the engine's frames through this scene graph. Through a
  // software OpenGL, the start-up compiled shaders and rasterised each frame on the CPU:
  // measured under Xvfb, the home page's load came 0.5 s later, idle CPU was about five
  // times higher and the tree took 45 MiB more than with the software scene graph, with
  // which the engine also composes in software, as a browser does on such a machine.
  if (software) QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
}

}  // namespace lumora::qtview
