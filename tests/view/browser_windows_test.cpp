// Windows and files that pages ask for: advert links leave for the desktop at a bounded rate,
// other pages get one window of ours each, and downloads land whole under a fresh name.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QUrl>
#include <QWebEngineView>

#include "platform/qt/browser_downloads.h"
#include "view_test_support.h"

namespace lumora::viewtest {
namespace {

constexpr WindowId kPlayer = WindowId::PlayerWindow;

class BrowserWindowsTest : public ViewTest {
 protected:
  void SetUp() override {
    ViewTest::SetUp();
    // The download folder of a home of this case's own.
    qputenv("HOME", dir.absolutePath().toUtf8());
    qunsetenv("XDG_CONFIG_HOME");
    program->LoadWindow(kPlayer);
    web = Widget<QWebEngineView>(kPlayer, "web");
    html = Widget<QWebEngineView>(kPlayer, "html");
    ASSERT_NE(web, nullptr);
    ASSERT_NE(html, nullptr);
  }
  void Show(QWebEngineView* browser, const char* control, const char* name) {
    browser->setProperty("done", false);
    QObject::connect(browser, &QWebEngineView::loadFinished, browser,
                     [browser] { browser->setProperty("done", true); });
    program->NavigateBrowser(kPlayer, control, Url(name));
    ASSERT_TRUE(WaitFor([&] { return browser->property("done").toBool(); }));
  }
  static QList<QWebEngineView*> OwnWindows() {
    QList<QWebEngineView*> own;
    for (QWidget* w : QApplication::topLevelWidgets()) {
      if (w->objectName() == "OwnBrowserWindow" && w->isVisible())
        own.push_back(qobject_cast<QWebEngineView*>(w));
    }
    return own;
  }
  QString Downloads() const { return dir.absoluteFilePath("Downloads"); }

  QWebEngineView* web = nullptr;
  QWebEngineView* html = nullptr;
};

// A link over the whole page, so that any click is on it.
QByteArray LinkPage(const char* href) {
  return QByteArray("<html><body style='margin:0'><a target='_blank' href='") + href +
         "' style='display:block;width:100%;height:100px'>ad</a></body></html>";
}

TEST_F(BrowserWindowsTest, AnAdvertLinkTheUserClicksLeavesForTheDesktopOnceASecond) {
  Write("ad.html", LinkPage("http://127.0.0.1:9/landing"));
  Show(html, "html", "ad.html");
  ClickBrowser(html);
  ASSERT_TRUE(WaitFor([] { return !g_outside.empty(); }));
  EXPECT_EQ(g_outside, std::vector<std::string>{"http://127.0.0.1:9/landing"});
  // Clicked again at once: nothing more leaves.
  ClickBrowser(html);
  QTest::qWait(300);
  EXPECT_EQ(g_outside.size(), 1u);
  EXPECT_EQ(view->OwnBrowserWindowCount(), 0);
  QTest::qWait(1000);
  ClickBrowser(html);
  ASSERT_TRUE(WaitFor([] { return g_outside.size() == 2; }));
  EXPECT_EQ(Count(kPlayer, "html", Event::NewWindow2), 0);
  EXPECT_EQ(view->OwnBrowserWindowCount(), 0);
}

TEST_F(BrowserWindowsTest, APageAskingForManyWindowsGetsOneThatFitsTheScreen) {
  Write("other.html", "<html><head><title>other</title></head></html>");
  Write("many.html",
        "<html><body><script>for (let i = 0; i < 50; ++i)"
        " window.open('other.html?' + i, '', 'width=9000,height=9000')</script></body></html>");
  program->NavigateBrowser(kPlayer, "web", Url("many.html"));
  const bool all = WaitFor([] { return Count(kPlayer, "web", Event::NewWindow2) == 50; });
  ASSERT_TRUE(all) << Count(kPlayer, "web", Event::NewWindow2);
  Pause(300);
  EXPECT_EQ(view->OwnBrowserWindowCount(), 1);
  const QList<QWebEngineView*> own = OwnWindows();
  ASSERT_EQ(own.size(), 1);
  const QRect free = own[0]->screen()->availableGeometry();
  EXPECT_LE(own[0]->width(), free.width());
  EXPECT_LE(own[0]->height(), free.height());
  EXPECT_TRUE(free.contains(own[0]->pos()));
  EXPECT_TRUE(WaitFor([&] { return own[0]->title() == "other"; }));
  // The address the page named reached the behaviour.
  EXPECT_EQ(Last(kPlayer, "web", Event::NewWindow2)->args.text, Url("other.html") + "?49");

  // The window's page closes it; the next request gets a new one.
  own[0]->page()->runJavaScript("window.close()");
  ASSERT_TRUE(WaitFor([&] { return view->OwnBrowserWindowCount() == 0; }));
  web->page()->runJavaScript("window.open('other.html')");
  ASSERT_TRUE(WaitFor([&] { return view->OwnBrowserWindowCount() == 1; }));

  // A chain of pages, each opening the next as it loads, ends at a bounded number.
  Write("chain.html", "<html><body><script>window.open('chain.html')</script></body></html>");
  web->page()->runJavaScript("window.open('chain.html')");
  ASSERT_TRUE(WaitFor([&] { return view->OwnBrowserWindowCount() == 8; }, 60000));
  Pause(2000);
  EXPECT_EQ(view->OwnBrowserWindowCount(), 8);
  for (QWebEngineView* w : OwnWindows()) w->close();
  ASSERT_TRUE(WaitFor([&] { return view->OwnBrowserWindowCount() == 0; }));
  web->page()->runJavaScript("window.open('other.html')");
  ASSERT_TRUE(WaitFor([&] { return view->OwnBrowserWindowCount() == 1; }));

  // A script in an advert, with no click behind it, stays in a window of ours.
  Write("adscript.html", "<html><body><script>window.open('other.html')</script></body></html>");
  Show(html, "html", "adscript.html");
  ASSERT_TRUE(WaitFor([&] { return view->OwnBrowserWindowCount() == 2; }));
  EXPECT_TRUE(g_outside.empty());
}

TEST_F(BrowserWindowsTest, ManyDownloadsScrollInAWindowThatFitsTheScreen) {
  // The engine lets a page start ten at once; each is a row of the download window.
  Write("many.html",
        "<html><body><script>for (let i = 0; i < 40; ++i) {"
        " const a = document.createElement('a'); a.href = 'data:text/plain,file' + i;"
        " a.download = 'f' + i + '.txt'; document.body.appendChild(a); a.click() }"
        "</script></body></html>");
  Show(web, "web", "many.html");
  const auto landed = [&] { return QDir(Downloads()).entryList(QDir::Files | QDir::Hidden); };
  ASSERT_TRUE(WaitFor([&] { return landed().size() >= 10; })) << landed().size();
  QTest::qWait(500);
  QWidget* list = view->DownloadWindow();
  ASSERT_NE(list, nullptr);
  EXPECT_LE(landed().size(), 40);
  EXPECT_EQ(list->findChildren<QLabel*>("name").size(), landed().size());
  const QRect free = list->screen()->availableGeometry();
  EXPECT_LE(list->height(), free.height());
  EXPECT_LE(list->width(), free.width());
}

TEST_F(BrowserWindowsTest, ADownloadLandsWholeUnderAFreeNameAndOnlyTheFolderOpens) {
  ASSERT_TRUE(QDir().mkpath(Downloads()));
  {
    QFile mine(Downloads() + "/report.txt");
    ASSERT_TRUE(mine.open(QIODevice::WriteOnly));
    mine.write("the user's own");
  }
  Write("dl.html",
        "<html><body><a id=a download='report.txt' href='data:text/plain,downloaded'>x</a>"
        "<a id=f download href='dl.html'>y</a></body></html>");
  Show(web, "web", "dl.html");
  // A file: download is not one the program keeps.
  web->page()->runJavaScript("document.getElementById('f').click()");
  web->page()->runJavaScript("document.getElementById('a').click()");
  const QString saved = Downloads() + "/report (1).txt";
  ASSERT_TRUE(WaitFor([&] { return QFile::exists(saved); }))
      << QDir(Downloads()).entryList(QDir::Files | QDir::Hidden).join(",").toStdString();
  QFile file(saved);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_EQ(file.readAll(), "downloaded");
  QFile own(Downloads() + "/report.txt");
  ASSERT_TRUE(own.open(QIODevice::ReadOnly));
  EXPECT_EQ(own.readAll(), "the user's own");
  QTest::qWait(500);
  EXPECT_EQ(QDir(Downloads()).entryList(QDir::Files | QDir::Hidden),
            (QStringList{"report (1).txt", "report.txt"}));

  QWidget* list = view->DownloadWindow();
  ASSERT_NE(list, nullptr);
  const QList<QLabel*> names = list->findChildren<QLabel*>("name");
  ASSERT_EQ(names.size(), 1);
  EXPECT_EQ(names[0]->text(), "report (1).txt");
  auto* open = list->findChild<QPushButton*>("open");
  ASSERT_NE(open, nullptr);
  ASSERT_TRUE(WaitFor([&] { return !open->isHidden(); }));
  open->click();
  EXPECT_EQ(g_opened,
            std::vector<std::string>{QUrl::fromLocalFile(Downloads()).toString().toStdString()});
}

}  // namespace
}  // namespace lumora::viewtest
