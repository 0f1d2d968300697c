// Nested loops, popup menus, message boxes and the tray icon.
#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QMenu>
#include <QMessageBox>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QtTest/QTest>

#include "view_test_support.h"

namespace lumora::viewtest {
namespace {

constexpr WindowId kMain = WindowId::MainWindow;

// Runs `act` on the first widget of type W that comes up as a popup or modal dialog.
template <typename W>
void WhenShown(std::function<void(W*)> act) {
  auto* poll = new QTimer;
  QObject::connect(poll, &QTimer::timeout, [poll, act] {
    QWidget* up = QApplication::activePopupWidget();
    if (up == nullptr) up = QApplication::activeModalWidget();
    if (auto* widget = qobject_cast<W*>(up); widget != nullptr && widget->isVisible()) {
      poll->stop();
      poll->deleteLater();
      act(widget);
    }
  });
  poll->start(20);
}

TEST_F(ViewTest, LoopsEndInnermostFirstAndOnlyWhenTheirConditionHolds) {
  bool posted_ran = false;
  QTimer::singleShot(0, [&] { posted_ran = true; });
  view->RunLoopUntil([] { return true; }, std::nullopt);
  EXPECT_FALSE(posted_ran);  // a loop whose condition holds does not run at all

  QElapsedTimer clock;
  clock.start();
  view->RunLoopUntil([] { return false; }, 50);
  EXPECT_GE(clock.elapsed(), 45);

  bool outer_done = false;
  bool inner_done = false;
  std::vector<std::string> order;
  QTimer::singleShot(0, [&] {
    view->RunLoopUntil([&] { return inner_done; }, std::nullopt);
    order.push_back("inner");
  });
  QTimer::singleShot(30, [&] {
    outer_done = true;
    view->WakeLoops();  // the outer loop may end, the inner one still waits
    QTimer::singleShot(30, [&] {
      inner_done = true;
      view->WakeLoops();
    });
  });
  view->RunLoopUntil([&] { return outer_done; }, 30000);
  order.push_back("outer");
  EXPECT_EQ(order, (std::vector<std::string>{"inner", "outer"}));
  EXPECT_TRUE(inner_done);
}

TEST_F(ViewTest, MenusFollowTheTableAndReturnTheChosenPath) {
  program->LoadWindow(kMain);
  QStringList texts;
  QStringList sub_texts;
  bool icons_right = false;
  WhenShown<QMenu>([&](QMenu* menu) {
    EXPECT_TRUE(menu->styleSheet().contains("#005ac8"));  // the skin's highlight colour
    for (QAction* action : menu->actions()) texts << (action->isSeparator() ? "-" : action->text());
    const QMenu* language = menu->actions().value(2)->menu();
    for (QAction* action : language ? language->actions() : QList<QAction*>{}) {
      sub_texts << action->text();
    }
    icons_right = !menu->actions()[0]->icon().isNull() && !menu->actions()[3]->icon().isNull() &&
                  language && language->actions()[0]->icon().isNull() &&
                  !language->actions()[1]->icon().isNull();
    // Open, Language (the separator is skipped), into its sub-menu, English.
    for (Qt::Key key : {Qt::Key_Down, Qt::Key_Down, Qt::Key_Right, Qt::Key_Down, Qt::Key_Return}) {
      QTest::keyClick(QApplication::activePopupWidget(), key);
    }
  });
  EXPECT_EQ(view->PopupMenu(kMain, "tray", Point{10, 10}), "tray/Language/English");
  // Hidden items, and the sub-items of hidden items, are left out.
  EXPECT_EQ(texts, (QStringList{"Open", "-", "Language", "Exit"}));
  EXPECT_EQ(sub_texts, (QStringList{"中文", "English"}));
  EXPECT_TRUE(icons_right);

  WhenShown<QMenu>([](QMenu* menu) { QTest::keyClick(menu, Qt::Key_Escape); });
  EXPECT_EQ(view->PopupMenu(kMain, "tray", std::nullopt), "");
  EXPECT_EQ(view->PopupMenu(kMain, "missing", std::nullopt), "");
}

TEST_F(ViewTest, MessageBoxesAnswerWithTheClassicCodes) {
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  WhenShown<QMessageBox>([&](QMessageBox* box) {
    icon = box->icon();
    box->button(QMessageBox::No)->click();
  });
  EXPECT_EQ(view->ShowMessageBox("Sure?", 48 | 4, "Lumora"), 7);
  EXPECT_EQ(icon, QMessageBox::Warning);
}

// A termination signal (or the program's end) while a box or a menu waits for the user ends
// that wait too: nothing of the program may outlive its end.
TEST_F(ViewTest, TheProgramsEndClosesOpenMessageBoxesAndMenus) {
  const struct {
    const char* kind;
    std::function<void(Program&)> wait;
  } cases[] = {
      {"message box", [](Program& p) { p.ShowMessageBox("Wait", 64, "Lumora"); }},
      {"popup menu",
       [](Program& p) {
         p.PopupMenu(kMain, "tray", Point{10, 10});
       }},
      {"sub-menu",
       [](Program& p) {
         WhenShown<QMenu>([](QMenu* menu) {
           for (Qt::Key key : {Qt::Key_Down, Qt::Key_Down, Qt::Key_Right}) {
             QTest::keyClick(menu, key);
           }
         });
         p.PopupMenu(kMain, "tray", Point{10, 10});
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.kind);
    TearDown();
    SetUp();
    program->LoadWindow(kMain);
    bool ended_by_watchdog = false;
    QTimer::singleShot(300, [this] { program->Terminate(143); });
    // Only a failure of the end ever gets here: it must not hang the run.
    QTimer watchdog;
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, [&] {
      ended_by_watchdog = true;
      while (QWidget* popup = QApplication::activePopupWidget()) popup->close();
      if (QWidget* modal = QApplication::activeModalWidget()) modal->close();
    });
    watchdog.start(20000);
    EXPECT_THROW(c.wait(*program), ProgramEnded);
    EXPECT_FALSE(ended_by_watchdog);
    EXPECT_EQ(program->ExitCode(), 143);
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
  }
}

TEST_F(ViewTest, OneTrayIconPerWindowReportsHowItWasUsed) {
  program->LoadWindow(kMain);
  const QString icon = dir.filePath("tray.png");
  QImage(16, 16, QImage::Format_RGB32).save(icon);
  program->SetTrayIcon(kMain, icon.toStdString(), "Lumora");
  program->SetTrayIcon(kMain, icon.toStdString(), "Lumora 2");
  QWidget* window = view->WindowWidget(kMain);
  const auto trays = window->findChildren<QSystemTrayIcon*>();
  ASSERT_EQ(trays.size(), 1);
  EXPECT_EQ(trays[0]->toolTip(), "Lumora 2");
  EXPECT_FALSE(trays[0]->icon().isNull());

  emit trays[0]->activated(QSystemTrayIcon::Trigger);
  emit trays[0]->activated(QSystemTrayIcon::DoubleClick);
  emit trays[0]->activated(QSystemTrayIcon::Context);
  std::vector<int> kinds;
  for (const Raised& r : g_raised) {
    if (r.event == Event::TrayNotify) kinds.push_back(r.args.integer);
  }
  EXPECT_EQ(kinds, (std::vector<int>{1, 2, 3}));

  program->DestroyWindow(kMain);
  EXPECT_FALSE(trays[0]->isVisible());
}

}  // namespace
}  // namespace lumora::viewtest
