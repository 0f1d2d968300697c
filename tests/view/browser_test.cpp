// Browsers on local pages: the engine's signals become the window's events, a page's
// request for a new window is the program's to refuse, and the engine's own menu stays shut.
#include <QApplication>
#include <QFile>
#include <QMenu>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTest>
#include <QUrl>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <QWebEngineView>

#include "view_test_support.h"

namespace lumora::viewtest {
namespace {

constexpr WindowId kPlayer = WindowId::PlayerWindow;

class BrowserTest : public ViewTest {
 protected:
  void SetUp() override {
    ViewTest::SetUp();
    Write("page.html",
          "<html><head><title>page</title></head>"
          "<body style='margin:0' oncontextmenu='document.title=\"context\"'>"
          "<a id='link' href='other.html' style='display:block;width:300px;height:200px'>go</a>"
          "</body></html>");
    Write("other.html", "<html><head><title>other</title></head><body>other</body></html>");
    program->LoadWindow(kPlayer);
    web = Widget<QWebEngineView>(kPlayer, "web");
    ASSERT_NE(web, nullptr);
  }

  void Open(const char* name) {
    const int before = Count(kPlayer, "web", Event::DocumentComplete);
    program->NavigateBrowser(kPlayer, "web", Url(name));
    ASSERT_TRUE(WaitFor([&] { return Count(kPlayer, "web", Event::DocumentComplete) > before; }));
  }
  // The engine's widget inside the view, which gets the real input.
  QWidget* Input() { return web->focusProxy() != nullptr ? web->focusProxy() : web; }
  void Send(QEvent::Type type, Qt::MouseButton button, QPoint at) {
    const Qt::MouseButtons held = type == QEvent::MouseButtonPress ? button : Qt::NoButton;
    QMouseEvent event(type, at, Input()->mapToGlobal(at), button, held, Qt::NoModifier);
    QApplication::sendEvent(Input(), &event);
  }

  QWebEngineView* web = nullptr;
};

TEST_F(BrowserTest, PagesLoadAndReportCompletion) {
  Open("page.html");
  EXPECT_EQ(Last(kPlayer, "web", Event::DocumentComplete)->args.text, Url("page.html"));
  Open("other.html");
  EXPECT_EQ(Last(kPlayer, "web", Event::DocumentComplete)->args.text, Url("other.html"));
  program->BrowserGoBack(kPlayer, "web");
  EXPECT_TRUE(WaitFor([&] { return web->url().toString().toStdString() == Url("page.html"); }));

  // The HTML view just shows its page and raises nothing.
  program->NavigateBrowser(kPlayer, "html", Url("other.html"));
  auto* html = Widget<QWebEngineView>(kPlayer, "html");
  EXPECT_TRUE(WaitFor([&] { return html->title() == "other"; }));
  EXPECT_EQ(Count(kPlayer, "html", Event::DocumentComplete), 0);

  // One profile for every browser, kept on disk, playing media without a click.
  QWebEngineProfile* profile = web->page()->profile();
  EXPECT_EQ(html->page()->profile(), profile);
  EXPECT_FALSE(profile->isOffTheRecord());
  EXPECT_EQ(profile->persistentStoragePath(), dir.filePath("browser"));
  EXPECT_FALSE(profile->settings()->testAttribute(QWebEngineSettings::PlaybackRequiresUserGesture));
}

TEST_F(BrowserTest, HoveringALinkReportsItsAddress) {
  Open("page.html");
  auto hovering = [&] {
    const Raised* r = Last(kPlayer, "web", Event::StatusTextChange);
    return r != nullptr && r->args.text == Url("other.html");
  };
  // The first moves may reach the page before it has laid out its link: move until it tells.
  for (int i = 0; i < 20 && !hovering(); ++i) {
    Send(QEvent::MouseMove, Qt::NoButton, QPoint(50 + i, 50));
    WaitFor(hovering, 1000);
  }
  EXPECT_TRUE(hovering());

  Send(QEvent::MouseMove, Qt::NoButton, QPoint(500, 300));
  EXPECT_TRUE(WaitFor([] {
    const Raised* r = Last(kPlayer, "web", Event::StatusTextChange);
    return r != nullptr && r->args.text.empty();
  }));
}

TEST_F(BrowserTest, NewWindowRequestsHonourCancel) {
  Open("page.html");
  g_cancel_new_window = true;
  web->page()->runJavaScript("window.open('other.html')");
  ASSERT_TRUE(WaitFor([] { return Count(kPlayer, "web", Event::NewWindow2) == 1; }));
  EXPECT_EQ(view->OwnBrowserWindowCount(), 0);

  g_cancel_new_window = false;
  web->page()->runJavaScript("window.open('other.html')");
  ASSERT_TRUE(WaitFor([] { return Count(kPlayer, "web", Event::NewWindow2) == 2; }));
  ASSERT_EQ(view->OwnBrowserWindowCount(), 1);
  auto windows = QApplication::topLevelWidgets();
  QWebEngineView* own = nullptr;
  for (QWidget* w : windows) {
    if (w->objectName() == "OwnBrowserWindow") own = qobject_cast<QWebEngineView*>(w);
  }
  ASSERT_NE(own, nullptr);
  EXPECT_TRUE(WaitFor([&] { return own->title() == "other"; }));
}

TEST_F(BrowserTest, RightClickIsTheWindowsNotTheEngines) {
  Open("page.html");
  Send(QEvent::MouseButtonPress, Qt::RightButton, QPoint(40, 30));
  Send(QEvent::MouseButtonRelease, Qt::RightButton, QPoint(40, 30));
  const Raised* down = Last(kPlayer, "web", Event::RightButtonDown);
  ASSERT_NE(down, nullptr);
  EXPECT_EQ(down->args.x, 40);
  EXPECT_EQ(down->args.y, 30);
  // Once the page has seen the click the engine would have asked for its menu.
  EXPECT_TRUE(WaitFor([&] { return web->title() == "context"; }));
  QCoreApplication::processEvents();
  for (QWidget* w : QApplication::topLevelWidgets()) {
    EXPECT_FALSE(qobject_cast<QMenu*>(w) != nullptr && w->isVisible());
  }
}

// A browser the behaviours hide gives its page process back after a short grace time and
// reloads its address when shown; the behaviours see the events they saw before: nothing
// when it is shown, one completion per address they ask for, hidden or not.
TEST_F(BrowserTest, HiddenPagesGiveTheirProcessBackUnnoticed) {
  using State = QWebEnginePage::LifecycleState;
  ASSERT_TRUE(WaitFor([&] { return web->isVisible(); }));
  Open("page.html");
  QWebEnginePage* page = web->page();
  const int loads = Count(kPlayer, "web", Event::DocumentComplete);
  auto hide_until_discarded = [&] {
    program->SetProperty(kPlayer, "web", Prop::Visible, false);
    EXPECT_EQ(page->lifecycleState(), State::Active);  // not before the grace time
    return WaitFor([&] { return page->lifecycleState() == State::Discarded; }, 15000);
  };
  ASSERT_TRUE(hide_until_discarded());
  EXPECT_TRUE(WaitFor([&] { return page->renderProcessPid() == 0; }, 10000));

  QSignalSpy reloaded(page, &QWebEnginePage::loadFinished);
  program->SetProperty(kPlayer, "web", Prop::Visible, true);
  EXPECT_EQ(page->lifecycleState(), State::Active);
  ASSERT_TRUE(WaitFor([&] { return reloaded.count() == 1 && web->title() == "page"; }));
  EXPECT_EQ(web->url().toString().toStdString(), Url("page.html"));
  QTest::qWait(300);
  EXPECT_EQ(Count(kPlayer, "web", Event::DocumentComplete), loads);

  // Sent elsewhere while discarded: its one completion, and it goes again, still hidden.
  ASSERT_TRUE(hide_until_discarded());
  program->NavigateBrowser(kPlayer, "web", Url("other.html"));
  ASSERT_TRUE(WaitFor([&] { return Count(kPlayer, "web", Event::DocumentComplete) == loads + 1; }));
  EXPECT_EQ(Last(kPlayer, "web", Event::DocumentComplete)->args.text, Url("other.html"));
  ASSERT_TRUE(WaitFor([&] { return page->lifecycleState() == State::Discarded; }, 15000));

  // Shown and sent elsewhere in one handler, as the windows do with their loading page.
  program->SetProperty(kPlayer, "web", Prop::Visible, true);
  program->NavigateBrowser(kPlayer, "web", Url("page.html"));
  ASSERT_TRUE(WaitFor([&] { return Count(kPlayer, "web", Event::DocumentComplete) == loads + 2; }));
  EXPECT_EQ(Last(kPlayer, "web", Event::DocumentComplete)->args.text, Url("page.html"));
  QTest::qWait(500);
  EXPECT_EQ(Count(kPlayer, "web", Event::DocumentComplete), loads + 2);
  EXPECT_EQ(page->lifecycleState(), State::Active);
}

// Media that plays keeps its page, sound or not; once paused, the page goes.
TEST_F(BrowserTest, APagePlayingMediaIsNotDiscarded) {
  Write("video.html",
        "<html><body><canvas id='c' width='32' height='32'></canvas><video id='v' muted></video>"
        "<script>var c = document.getElementById('c'), g = c.getContext('2d'), n = 0;"
        "setInterval(function () { g.fillStyle = n++ % 2 ? 'red' : 'blue';"
        "  g.fillRect(0, 0, 32, 32); }, 50);"
        "var v = document.getElementById('v'); v.srcObject = c.captureStream(20);"
        "v.play().then(function () { document.title = 'playing'; });</script></body></html>");
  ASSERT_TRUE(WaitFor([&] { return web->isVisible(); }));
  Open("video.html");
  ASSERT_TRUE(WaitFor([&] { return web->title() == "playing"; }));
  program->SetProperty(kPlayer, "web", Prop::Visible, false);
  QTest::qWait(5000);  // two grace times
  EXPECT_EQ(web->page()->lifecycleState(), QWebEnginePage::LifecycleState::Active);
  web->page()->runJavaScript("document.getElementById('v').pause()");
  EXPECT_TRUE(WaitFor(
      [&] { return web->page()->lifecycleState() == QWebEnginePage::LifecycleState::Discarded; },
      15000));
}

}  // namespace
}  // namespace lumora::viewtest
