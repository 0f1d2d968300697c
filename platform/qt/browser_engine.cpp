#include "platform/qt/browser_engine.h"

#include <unistd.h>

#include <QCoreApplication>
#include <QList>
#include <QLoggingCategory>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFunctions>
#include <QQuickWindow>
#include <QSGRendererInterface>
#include <QTimer>
#include <QWebEngineSettings>
#include <QtGlobal>
#include <algorithm>
#include <array>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>
#include <vector>

#include "platform/system/sandbox_state.h"
#include "platform/system/x_server.h"

namespace lumora::qtview {

namespace {

// Each switch's cost is measured in bench/README.md (engine hardening).
constexpr const char* kOurSwitches[] = {
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
    // The service's pages carry third-party adverts in frames, and this engine gets no
    // security fixes: each site gets a page process of its own, so a frame that breaks its
    // renderer cannot read the service's page or its cookies, and cannot stall it.
    "--site-per-process",
    // WebGL and the other 3D interfaces hand page-made shaders to the GPU driver, which runs
    // in this program's own, unsandboxed process; no page of the portal needs them.
    "--disable-3d-apis",
#if !LUMORA_JS_JIT
    // Most exploited bugs of the JavaScript engine are in its optimizing compilers; without
    // them pages run interpreted, and WebAssembly is gone (the LUMORA_JS_JIT build setting
    // brings both back). A user's own --js-flags is joined, see WithOurEngineSwitches.
    // Without --no-expose-wasm, V8 warns on standard error in every page process that
    // --jitless turned WebAssembly off.
    "--js-flags=--jitless\t--no-expose-wasm",
#endif
};

constexpr QByteArrayView kJsFlags = "--js-flags=";

// Whether V8 flags (one --js-flags value) choose about the JIT themselves: --jitless,
// --no-jitless, in V8's spellings.
bool ChoosesJit(const QByteArray& v8_flags) {
  for (QByteArray flag : v8_flags.simplified().split(' ')) {
    while (flag.startsWith('-')) flag.remove(0, 1);
    if (const qsizetype value = flag.indexOf('='); value >= 0) flag.truncate(value);
    flag.replace('_', '-');
    if (flag == "jitless" || flag == "no-jitless" || flag == "nojitless") return true;
  }
  return false;
}

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
  // The user's own text stays as it is; only reading it for ours splits it, at spaces as the
  // engine does.
  QByteArray switches = user_switches;
  const QList<QByteArray> given = user_switches.split(' ');
  for (const char* ours : kOurSwitches) {
    QByteArray add(ours);
    if (add.startsWith(kJsFlags)) {
      // The engine keeps the last --js-flags only, so ours repeats the user's flags. V8
      // splits the value at any white space, the engine's variable at spaces only: a tab
      // keeps both in one switch.
      const auto last = std::find_if(given.rbegin(), given.rend(),
                                     [](const QByteArray& s) { return s.startsWith(kJsFlags); });
      if (last != given.rend()) {
        const QByteArray theirs = last->mid(kJsFlags.size());
        if (ChoosesJit(theirs)) continue;
        add = kJsFlags.toByteArray() + theirs + '\t' + add.mid(kJsFlags.size());
      }
    } else if (given.contains(add)) {
      continue;
    }
    if (!switches.trimmed().isEmpty()) switches += ' ';
    switches += add;
  }
  return switches;
}

void HardenBrowserSettings(QWebEngineSettings* settings) {
  using S = QWebEngineSettings;
  // Besides the 3D switch: a profile setting holds even where the engine's switches were
  // replaced.
  settings->setAttribute(S::WebGLEnabled, false);
  // Neither plugins nor the PDF viewer: a PDF link downloads like any other file.
  settings->setAttribute(S::PluginsEnabled, false);
  settings->setAttribute(S::PdfViewerEnabled, false);
  // No name look-ups for links nobody follows, no pings to third parties on a click.
  settings->setAttribute(S::DnsPrefetchEnabled, false);
  settings->setAttribute(S::HyperlinkAuditingEnabled, false);
  // The program's local pages (Html/) reach no remote address. Their own Content Security
  // Policy keeps them from loading any file or address at all; the engine's switch for local
  // files (LocalContentCanAccessFileUrls) stays on, as off it also stops a local page's
  // link to another local page, which the crash page's Reload follows.
  settings->setAttribute(S::LocalContentCanAccessRemoteUrls, false);
  // Script or style fetched over plain http never runs inside an https page.
  settings->setAttribute(S::AllowRunningInsecureContent, false);
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

void WatchEngineSandbox() {
  // Root runs without the sandbox, and says so where it switches it off; a user who
  // switched it off knows.
  if (::geteuid() == 0 || qEnvironmentVariableIsSet("QTWEBENGINE_DISABLE_SANDBOX") ||
      qgetenv("QTWEBENGINE_CHROMIUM_FLAGS").split(' ').contains("--no-sandbox")) {
    return;
  }
  // Every half second until a page process has started its filter, for a minute at most:
  // the main window's browsers start theirs within a second or two of the start.
  constexpr int kPeriodMs = 500;
  constexpr int kTries = 120;
  auto* timer = new QTimer(QCoreApplication::instance());
  timer->setInterval(kPeriodMs);
  QObject::connect(timer, &QTimer::timeout, timer, [timer, tries = 0]() mutable {
    std::vector<ProcessConfinement> processes;
    for (pid_t pid : Descendants(::getpid(), "/proc")) {
      std::ifstream in("/proc/" + std::to_string(pid) + "/status");
      const std::string status((std::istreambuf_iterator<char>(in)),
                               std::istreambuf_iterator<char>());
      processes.push_back(ReadConfinement(status));
    }
    const EngineSandbox judged = JudgeEngineSandbox(processes);
    if (judged == EngineSandbox::kWithoutNamespaces) {
      std::fprintf(stderr, "%s\n", NoSandboxLine(ReadUserNamespaceSwitches("/proc")).c_str());
    }
    if (judged != EngineSandbox::kUnknown || ++tries == kTries) timer->deleteLater();
  });
  timer->start();
}

}  // namespace lumora::qtview
