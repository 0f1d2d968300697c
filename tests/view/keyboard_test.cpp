// Picture buttons and the keyboard: Tab reaches them without a click taking the keys from
// elsewhere, Enter and Space click once, focus shows, and assistive technology sees a button
// it can press.
#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QCheckBox>
#include <QtTest/QTest>

#include "platform/qt/graphic_button.h"
#include "view_test_support.h"

namespace lumora::viewtest {
namespace {

using qtview::PictureButton;
constexpr WindowId kMain = WindowId::MainWindow;

// Tab from whatever has the window's focus; the name of the control that has it then.
QString TabFrom(QWidget* window, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
  QWidget* focus = window->focusWidget() != nullptr ? window->focusWidget() : window;
  QTest::keyClick(focus, Qt::Key_Tab, modifiers);
  return window->focusWidget() != nullptr ? window->focusWidget()->objectName() : QString();
}

TEST_F(ViewTest, TabReachesPictureButtonsButNeitherStartNorClickTakesTheKeys) {
  program->LoadWindow(kMain);
  QWidget* window = view->WindowWidget(kMain);
  ASSERT_NE(window, nullptr);
  auto* close = Widget<PictureButton>(kMain, "closebtn");
  ASSERT_NE(close, nullptr);

  // The check box had the keys before buttons took part in Tab, and keeps them at start.
  ASSERT_NE(window->focusWidget(), nullptr);
  EXPECT_EQ(window->focusWidget()->objectName(), "check");

  // A click on a button leaves the focus where it was.
  QTest::mouseClick(close, Qt::LeftButton);
  EXPECT_EQ(Count(kMain, "closebtn", Event::Clicked), 1);
  EXPECT_EQ(window->focusWidget()->objectName(), "check");

  // Definition order, round and back; the title-bar button inside its container too.
  EXPECT_EQ(TabFrom(window), "closebtn");
  EXPECT_EQ(TabFrom(window), "quitbtn");
  EXPECT_EQ(TabFrom(window), "check");
  EXPECT_EQ(TabFrom(window, Qt::ShiftModifier), "quitbtn");
}

TEST_F(ViewTest, EnterAndSpaceClickOnceAsTheMouseDoes) {
  program->LoadWindow(kMain);
  auto* close = Widget<PictureButton>(kMain, "closebtn");
  ASSERT_NE(close, nullptr);
  close->setFocus();

  QTest::keyClick(close, Qt::Key_Return);
  EXPECT_EQ(Count(kMain, "closebtn", Event::Clicked), 1);
  QTest::keyClick(close, Qt::Key_Enter, Qt::KeypadModifier);
  EXPECT_EQ(Count(kMain, "closebtn", Event::Clicked), 2);
  QTest::keyClick(close, Qt::Key_Space);
  EXPECT_EQ(Count(kMain, "closebtn", Event::Clicked), 3);

  // Held down: the repeats click no more, and Space clicks on release only.
  QTest::keyPress(close, Qt::Key_Return);
  QKeyEvent repeat(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, QString(), true);
  QApplication::sendEvent(close, &repeat);
  QTest::keyRelease(close, Qt::Key_Return);
  EXPECT_EQ(Count(kMain, "closebtn", Event::Clicked), 4);
  QTest::keyPress(close, Qt::Key_Space);
  EXPECT_EQ(Count(kMain, "closebtn", Event::Clicked), 4);
  EXPECT_TRUE(close->isDown());
  QTest::keyRelease(close, Qt::Key_Space);
  EXPECT_EQ(Count(kMain, "closebtn", Event::Clicked), 5);

  // A key click is a click only: no press event reaches the behaviours.
  EXPECT_EQ(Count(kMain, "closebtn", Event::LeftButtonDown), 0);

  // A behaviour that ends the window from Enter: nothing is left to click or crash on.
  auto* quit = Widget<PictureButton>(kMain, "quitbtn");
  ASSERT_NE(quit, nullptr);
  quit->setFocus();
  QTest::keyClick(quit, Qt::Key_Return);
  EXPECT_EQ(Count(kMain, "quitbtn", Event::Clicked), 1);
  EXPECT_FALSE(program->IsLoaded(kMain));
}

TEST_F(ViewTest, FocusedPictureButtonShowsAFrame) {
  program->LoadWindow(kMain);
  program->SetProperty(kMain, "closebtn", Prop::NormalPicture, SolidPicture(26, 20, Qt::red));
  QWidget* window = view->WindowWidget(kMain);
  auto* close = Widget<PictureButton>(kMain, "closebtn");
  ASSERT_NE(close, nullptr);
  window->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(window));
  const QImage before = close->grab().toImage();
  EXPECT_EQ(TabFrom(window), "closebtn");
  ASSERT_TRUE(close->hasFocus());
  const QImage focused = close->grab().toImage();
  EXPECT_EQ(before.pixelColor(0, 0), QColor(Qt::red));
  EXPECT_NE(focused.pixelColor(0, 0), QColor(Qt::red));
  EXPECT_NE(focused.pixelColor(25, 19), QColor(Qt::red));
  EXPECT_EQ(focused.pixelColor(13, 10), QColor(Qt::red));  // the picture itself stays
  // Away again: the frame goes with the focus.
  TabFrom(window);
  EXPECT_EQ(close->grab().toImage().pixelColor(0, 0), QColor(Qt::red));
}

TEST_F(ViewTest, AssistiveTechnologyPressesAPictureButtonAsAClick) {
  program->LoadWindow(kMain);
  auto* close = Widget<PictureButton>(kMain, "closebtn");
  ASSERT_NE(close, nullptr);
  QAccessibleInterface* access = QAccessible::queryAccessibleInterface(close);
  ASSERT_NE(access, nullptr);
  EXPECT_EQ(access->role(), QAccessible::Button);
  EXPECT_TRUE(access->state().focusable);
  close->setToolTip(QStringLiteral("Shut"));  // a tooltip, where there is one, names it
  EXPECT_EQ(access->text(QAccessible::Name), "Shut");

  QAccessibleActionInterface* actions = access->actionInterface();
  ASSERT_NE(actions, nullptr);
  ASSERT_TRUE(actions->actionNames().contains(QAccessibleActionInterface::pressAction()));
  actions->doAction(QAccessibleActionInterface::pressAction());
  EXPECT_EQ(Count(kMain, "closebtn", Event::Clicked), 1);

  program->SetProperty(kMain, "", Prop::Visible, false);
  close->setEnabled(false);
  actions->doAction(QAccessibleActionInterface::pressAction());
  EXPECT_EQ(Count(kMain, "closebtn", Event::Clicked), 1);
  EXPECT_FALSE(actions->actionNames().contains(QAccessibleActionInterface::pressAction()));
}

}  // namespace
}  // namespace lumora::viewtest
