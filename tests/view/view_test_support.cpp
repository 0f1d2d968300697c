#include "view_test_support.h"

#include <QApplication>
#include <QBuffer>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QFile>
#include <QImage>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>
#include <QtTest/QTest>
#include <array>

#include "platform/qt/browser_engine.h"

namespace lumora::viewtest {

std::vector<Raised> g_raised;
bool g_cancel_new_window = false;
std::vector<std::string> g_opened;
std::vector<std::string> g_outside;

namespace {

template <Event E>
void Record(Program& program, EventArgs& args) {
  const ControlRef source = program.GetEventSource();
  if constexpr (E == Event::NewWindow2) args.cancel = g_cancel_new_window;
  g_raised.push_back({source.window, source.control, E, args});
}

void RecordCheck(Program& program, EventArgs& args) {
  Record<Event::Clicked>(program, args);
  g_raised.back().checked_then =
      AsBool(program.GetProperty(WindowId::MainWindow, "check", Prop::Checked));
}

void DestroyOwnWindow(Program& program, EventArgs& args) {
  Record<Event::Clicked>(program, args);
  program.DestroyWindow(program.GetEventSource().window);
}

using K = ControlKind;

// clang-format off
constexpr ControlDef kMainControls[] = {
  // name      kind                 parent    left top width height visible
  {"toppic",   K::PictureBox,       "",        0,   0, 400, 30, true},
  {"title",    K::TransparentLabel, "toppic", 40,   5, 120, 20, true,
               {.text = "标题", .text_color = Rgb(255, 0, 0), .font_pixels = 14}},
  {"closebtn", K::GraphicButton,    "toppic", 370,  4,  26, 20, true},
  {"quitbtn",  K::GraphicButton,    "",       300, 40,  26, 20, true},
  {"check",    K::CheckBox,         "",        10, 40,  13, 13, true},
  {"logo",     K::PictureBox,       "",        10, 60, 100, 50, false},
  {"note",     K::TransparentLabel, "",       120, 60, 150, 60, true},
  {"clock",    K::Timer,            "",         0,  0,   0,  0, true},
  {"status",   K::StatusBar,        "",         0, 280, 400, 20, true},
  {"skinner",  K::MenuSkinner,      "",         0,  0,   0,  0, true},
};

constexpr MenuItemDef kMenus[] = {
  {"tray", 0},
    {"Open", 1}, {"-", 1}, {"Hidden", 1, false}, {"Gone", 2},
    {"Language", 1}, {"中文", 2}, {"English", 2}, {"Secret", 2, false},
    {"Exit", 1},
  {"other", 0},
    {"Only", 1},
};
constexpr std::string_view kImage0[] = {"tray/Exit"};
constexpr std::string_view kImage1[] = {"tray/Open", "tray/Language/English"};
constexpr MenuSkin kSkin{{Rgb(250, 250, 240), Rgb(20, 20, 20), Rgb(0, 90, 200),
                          Rgb(255, 255, 255), Rgb(90, 90, 90), Rgb(180, 180, 180)},
                         kImage0, kImage1};

constexpr ControlDef kPlayerControls[] = {
  {"web",  K::WebBrowser, "", 0,   0, 600, 400, true},
  {"html", K::HtmlView,   "", 0, 400, 600, 100, true, {.opens_links_outside = true}},
};

constexpr Binding kMainBindings[] = {
  {"closebtn", Event::Clicked,         Record<Event::Clicked>},
  {"quitbtn",  Event::Clicked,         DestroyOwnWindow},
  {"title",    Event::LeftButtonDown,  Record<Event::LeftButtonDown>},
  {"toppic",   Event::RightButtonDown, Record<Event::RightButtonDown>},
  {"check",    Event::Clicked,         RecordCheck},
  {"clock",    Event::Tick,            Record<Event::Tick>},
  {"",         Event::TrayNotify,      Record<Event::TrayNotify>},
};
constexpr Binding kPlayerBindings[] = {
  {"web",  Event::StatusTextChange, Record<Event::StatusTextChange>},
  {"web",  Event::NewWindow2,       Record<Event::NewWindow2>},
  {"web",  Event::DocumentComplete, Record<Event::DocumentComplete>},
  {"web",  Event::RightButtonDown,  Record<Event::RightButtonDown>},
  {"html", Event::DocumentComplete, Record<Event::DocumentComplete>},
};
// clang-format on

const WindowDef kMainDef{WindowId::MainWindow, 400,    300,   "Main", true,
                         kMainControls,        kMenus, &kSkin};
const WindowDef kPlayerDef{WindowId::PlayerWindow, 600, 500, "Player", true, kPlayerControls};

const WindowDef& Definition(WindowId id) {
  static const auto others = [] {
    std::array<WindowDef, kWindowCount> defs{};
    for (int i = 0; i < kWindowCount; ++i) {
      defs[i] = WindowDef{static_cast<WindowId>(i), 200, 100, "", true, {}};
    }
    // Icons of their own: one shipped with the program, one missing, one that is no picture.
    defs[static_cast<int>(WindowId::RightPopupWindow)].icon = kShippedIcon;
    defs[static_cast<int>(WindowId::ExitPopupWindow)].icon = "Icon/Missing.ico";
    defs[static_cast<int>(WindowId::AboutWindow)].icon = kBrokenIcon;
    return defs;
  }();
  if (id == WindowId::MainWindow) return kMainDef;
  if (id == WindowId::PlayerWindow) return kPlayerDef;
  return others[static_cast<int>(id)];
}

std::span<const Binding> Bindings(WindowId id) {
  if (id == WindowId::MainWindow) return kMainBindings;
  if (id == WindowId::PlayerWindow) return kPlayerBindings;
  return {};
}

class NoSystem : public SystemServices {
 public:
  bool StartProgram(const std::string&, const std::vector<std::string>&) override { return true; }
  bool OpenUrl(const std::string& url) override {
    g_opened.push_back(url);
    return true;
  }
  bool RegisterAutorun(const std::string&, const std::string&) override { return true; }
  bool UnregisterAutorun(const std::string&) override { return true; }
  void SetScreenSaverActive(bool) override {}
  void TrimWorkingSet() override {}
  bool IsNetworkConnected(const std::string&) override { return true; }
};

NoSystem g_system;

// The program's policy stands in here: everything the view hands out is recorded.
void OpenOutside(Program&, const std::string& address) {
  g_outside.push_back(address);
}
// Pages of "localhost" stand for another site; everything else is the service's own.
PageTrust Trust(const Program&, std::string_view address) {
  return address.find("//localhost") != std::string_view::npos ? PageTrust::kDesktop
                                                               : PageTrust::kShow;
}
QString g_scratch;

}  // namespace

int Count(WindowId window, std::string_view control, Event event) {
  int n = 0;
  for (const Raised& r : g_raised)
    n += r.window == window && r.control == control && r.event == event;
  return n;
}

const Raised* Last(WindowId window, std::string_view control, Event event) {
  for (auto it = g_raised.rbegin(); it != g_raised.rend(); ++it) {
    if (it->window == window && it->control == control && it->event == event) return &*it;
  }
  return nullptr;
}

SystemServices& QuietSystem() {
  return g_system;
}

Catalogue TestCatalogue() {
  return Catalogue{Definition, Bindings, nullptr, OpenOutside, Trust};
}

Bytes SolidPicture(int width, int height, QColor color) {
  QImage image(width, height, QImage::Format_RGB32);
  image.fill(color);
  QBuffer buffer;
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, "PNG");
  const QByteArray data = buffer.data();
  return Bytes(data.begin(), data.end());
}

void ClickBrowser(QWidget* browser) {
  QWidget* input = browser->focusProxy() != nullptr ? browser->focusProxy() : browser;
  for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
    const Qt::MouseButtons held = type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton;
    QMouseEvent event(type, QPoint(20, 20), input->mapToGlobal(QPoint(20, 20)), Qt::LeftButton,
                      held, Qt::NoModifier);
    QApplication::sendEvent(input, &event);
  }
}

void ViewTest::Write(const char* name, const QByteArray& bytes) {
  QFile file(dir.filePath(name));
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(bytes);
}

std::string ViewTest::Url(const char* name) const {
  return QUrl::fromLocalFile(dir.filePath(name)).toString().toStdString();
}

bool WaitFor(const std::function<bool()>& condition, int timeout_ms) {
  // Slices of a running event loop, not qWaitFor's rounds of processEvents and sleeps: the
  // engine posts its work to the loop, and between those rounds each window a page asked
  // for took it a second. Windows closed here are deleted here, as qWaitFor does.
  const QDeadlineTimer deadline(timeout_ms);
  for (;;) {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    if (condition()) return true;
    if (deadline.hasExpired()) return false;
    Pause(10);
  }
}

void Pause(int ms) {
  QEventLoop loop;
  QTimer::singleShot(ms, &loop, &QEventLoop::quit);
  loop.exec();
}

void ViewTest::SetUp() {
  const testing::TestInfo* test = testing::UnitTest::GetInstance()->current_test_info();
  dir.setPath(g_scratch + "/" + test->test_suite_name() + "." + test->name());
  // Empty again on each repeat of the case.
  dir.removeRecursively();
  ASSERT_TRUE(dir.mkpath("."));
  g_raised.clear();
  g_cancel_new_window = false;
  g_opened.clear();
  g_outside.clear();
  view = std::make_unique<QtView>(dir.filePath(QStringLiteral("browser")).toStdString());
  program = std::make_unique<Program>(TestCatalogue(), *view, g_system,
                                      ProgramEnvironment{dir.path().toStdString(), "lumora"});
}

void ViewTest::TearDown() {
  view.reset();
  program.reset();
}

}  // namespace lumora::viewtest

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  if (::testing::GTEST_FLAG(list_tests)) return RUN_ALL_TESTS();
  // Removed after the application: the browser engine writes its profile on the way out.
  QTemporaryDir scratch;
  lumora::viewtest::g_scratch = scratch.path();
  QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
  // Composed as the program composes on this machine.
  lumora::qtview::ComposeWithoutOpenGl();
  QApplication app(argc, argv);
  lumora::qtview::ChooseBrowserCompositing();
  QApplication::setQuitOnLastWindowClosed(false);
  return RUN_ALL_TESTS();
}
