// What the engine asks of the program: full screen that gives the window back exactly,
// permissions refused without a prompt, and a page whose process dies coming back.
#include <QApplication>
#include <QFile>
#include <QScreen>
#include <QTest>
#include <QUrl>
#include <QWebEnginePage>
#include <QWebEngineView>
#include <csignal>

#include "tests/support/test_server.h"
#include "view_test_support.h"

namespace lumora::viewtest {
namespace {

constexpr WindowId kPlayer = WindowId::PlayerWindow;

class BrowserPageTest : public ViewTest {
 protected:
  void SetUp() override {
    ViewTest::SetUp();
    ASSERT_TRUE(dir.mkpath("Html"));
    ASSERT_TRUE(QFile::copy(LUMORA_SOURCE_DATA_DIR "/Html/Crashed.html",
                            dir.filePath("Html/Crashed.html")));
    program->LoadWindow(kPlayer);
    window = view->WindowWidget(kPlayer);
    web = Widget<QWebEngineView>(kPlayer, "web");
    html = Widget<QWebEngineView>(kPlayer, "html");
    ASSERT_NE(web, nullptr);
    ASSERT_NE(html, nullptr);
  }

  int Loads(const char* name) {
    int n = 0;
    for (const Raised& r : g_raised) {
      if (r.event == Event::DocumentComplete && r.control == "web" && r.args.text == Url(name)) {
        ++n;
      }
    }
    return n;
  }
  void Open(const char* name) {
    const int before = Loads(name);
    program->NavigateBrowser(kPlayer, "web", Url(name));
    ASSERT_TRUE(WaitFor([&] { return Loads(name) > before; }));
  }
  bool TitleIs(const QString& title) {
    return WaitFor([&] { return web->title() == title; });
  }
  void EnterFullScreen() {
    // Again until it holds: the page's last resize may still name its size after it.
    ASSERT_TRUE(WaitFor([&] {
      if (web->title() == QLatin1String("ready")) return true;
      web->page()->runJavaScript("document.title='ready'");
      return false;
    }));
    ClickBrowser(web);
    // Granted: "full", or already the viewport's size when the resize came first.
    ASSERT_TRUE(WaitFor([&] { return web->title() != QLatin1String("ready"); }));
    ASSERT_NE(web->title(), QLatin1String("refused"));
    ASSERT_TRUE(WaitFor([&] { return window->isFullScreen(); }));
    const QRect screen = window->screen()->geometry();
    ASSERT_TRUE(WaitFor([&] { return window->geometry() == screen; }));
    EXPECT_EQ(web->geometry(), QRect(QPoint(0, 0), screen.size()));
    EXPECT_TRUE(html->isHidden());
    // The page's viewport is the screen's.
    EXPECT_TRUE(WaitFor([&] {
      return web->title() == QStringLiteral("%1x%2").arg(screen.width()).arg(screen.height());
    }));
  }
  void ExpectGivenBack(const QRect& geometry) {
    ASSERT_TRUE(WaitFor([&] { return !window->isFullScreen() && window->geometry() == geometry; }));
    EXPECT_EQ(web->geometry(), QRect(0, 0, 600, 400));
    EXPECT_FALSE(html->isHidden());
    EXPECT_TRUE(TitleIs("600x400"));
    EXPECT_EQ(AsInt(program->Model().Get(kPlayer, "", Prop::Width)), 600);
    EXPECT_EQ(AsInt(program->Model().Get(kPlayer, "", Prop::Height)), 500);
  }

  QWidget* window = nullptr;
  QWebEngineView* web = nullptr;
  QWebEngineView* html = nullptr;
};

constexpr char kFullPage[] =
    "<html><head><title>page</title></head><body style='margin:0;height:100%'"
    " onclick=\"document.documentElement.requestFullscreen().then("
    "()=>document.title='full',e=>document.title='refused')\">"
    "<script>onresize=()=>{if(document.title!='full'||document.fullscreenElement)"
    "setTimeout(()=>document.title=innerWidth+'x'+innerHeight,0)};</script></body></html>";

TEST_F(BrowserPageTest, FullScreenFillsTheScreenAndGivesTheWindowBackExactly) {
  Write("full.html", kFullPage);
  Open("full.html");
  const QRect before = window->geometry();

  // The page's own exit.
  EnterFullScreen();
  web->page()->runJavaScript("document.exitFullscreen()");
  ExpectGivenBack(before);

  // Escape, as in any browser.
  EnterFullScreen();
  window->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(window));
  QTest::keyClick(web->focusProxy() != nullptr ? web->focusProxy() : web, Qt::Key_Escape);
  ExpectGivenBack(before);

  // Hiding the window ends it too; the window model never heard of any of it.
  EnterFullScreen();
  window->hide();
  ASSERT_TRUE(WaitFor([&] { return !window->isFullScreen(); }));
  EXPECT_EQ(window->geometry(), before);
  EXPECT_EQ(AsInt(program->Model().Get(kPlayer, "", Prop::Width)), 600);
  EXPECT_FALSE(html->isHidden());

  // A window closed for good while its page is full screen goes quietly.
  window->show();
  EnterFullScreen();
  program->DestroyWindow(kPlayer);
  EXPECT_EQ(view->WindowWidget(kPlayer), nullptr);
  QTest::qWait(200);
}

TEST_F(BrowserPageTest, PermissionRequestsAreRefusedWithoutAPrompt) {
  Write("ask.html", "<html><head><title>page</title></head><body></body></html>");
  Open("ask.html");
  struct Case {
    const char* what;
    const char* script;
  };
  const Case cases[] = {
      {"notifications", "Notification.requestPermission().then(p=>document.title=p)"},
      {"location",
       "navigator.geolocation.getCurrentPosition(()=>document.title='granted',"
       "e=>document.title=e.code==1?'denied':'error '+e.code)"},
      {"clipboard read",
       "navigator.clipboard.readText().then(()=>document.title='granted',"
       "()=>document.title='denied')"},
      // 6.8 has a request of its own for the screen to share, which picks one if nobody answers.
      {"screen capture",
       "navigator.mediaDevices.getDisplayMedia({video:true}).then(()=>document.title='granted',"
       "e=>document.title=e.name=='NotAllowedError'?'denied':'error '+e.name)"},
  };
  // Camera and microphone are asked for only where a device exists, which CI has none of.
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    web->page()->runJavaScript("document.title='asking'");
    ASSERT_TRUE(TitleIs("asking"));
    web->page()->runJavaScript(c.script);
    EXPECT_TRUE(TitleIs("denied")) << web->title().toStdString();
  }
}

TEST_F(BrowserPageTest, AProgramLoadRedirectedToAnotherSiteFailsAndStillCompletes) {
  testing::TestServer server;
  server.Set("/go", testing::TestServer::Redirect("http://localhost:9/away"));
  const int before = Count(kPlayer, "web", Event::DocumentComplete);
  program->NavigateBrowser(kPlayer, "web", server.Base() + "go");
  ASSERT_TRUE(WaitFor([&] { return Count(kPlayer, "web", Event::DocumentComplete) > before; }));
  Pause(500);
  EXPECT_NE(web->url().host(), QLatin1String("localhost"));
  EXPECT_TRUE(g_outside.empty());  // nobody asked for it: it goes nowhere
}

TEST_F(BrowserPageTest, ADeadPageProcessReloadsOnceThenShowsTheLocalPage) {
  Write("page.html", "<html><head><title>page</title></head><body>page</body></html>");
  Open("page.html");
  // The engine's own address for ending a page's process abnormally.
  web->page()->setUrl(QUrl(QStringLiteral("chrome://crash")));
  ASSERT_TRUE(WaitFor([&] { return Loads("page.html") == 2; }));

  // The local page speaks the interface language that Config.ini holds at that moment.
  Write("Config.ini", "[Config]\r\nLanguage=3\r\n");
  web->page()->setUrl(QUrl(QStringLiteral("chrome://crash")));
  ASSERT_TRUE(TitleIs("Page stopped"));
  EXPECT_EQ(web->url().adjusted(QUrl::RemoveQuery).toLocalFile(),
            dir.filePath("Html/Crashed.html"));
  EXPECT_EQ(Loads("page.html"), 2);
  web->page()->runJavaScript(
      "document.title = document.body.innerText.replace(/\\s+/g, ' ').trim()");
  EXPECT_TRUE(TitleIs("This page stopped working Reload")) << web->title().toStdString();
  // The local page's own process killed: the local page again, not a load of the page.
  const qint64 pid = web->page()->renderProcessPid();
  ASSERT_GT(pid, 0);
  ::kill(static_cast<pid_t>(pid), SIGKILL);
  auto now = [&] { return web->page()->renderProcessPid(); };
  ASSERT_TRUE(WaitFor([&] { return now() > 0 && now() != pid; }));
  Pause(500);
  EXPECT_EQ(Loads("page.html"), 2);
  web->page()->runJavaScript("document.getElementById('again').click()");
  EXPECT_TRUE(WaitFor([&] { return Loads("page.html") == 3; }));
  EXPECT_TRUE(TitleIs("page"));
}

}  // namespace
}  // namespace lumora::viewtest
