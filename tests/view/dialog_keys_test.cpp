// The Settings and About dialogs of the program's own catalogue, driven by the keyboard:
// the Tab order, Escape as the close button, and what a screen reader announces in each
// interface language.
#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QFile>
#include <QTimer>
#include <QtTest/QTest>
#include <cstdlib>

#include "platform/qt/graphic_button.h"
#include "service/service_base.h"
#include "view_test_support.h"
#include "windows/behaviours.h"

namespace lumora::viewtest {
namespace {

using qtview::PictureButton;
constexpr WindowId kSettings = WindowId::SettingsWindow;
constexpr WindowId kAbout = WindowId::AboutWindow;

class DialogKeysTest : public ViewTest {
 protected:
  void SetUp() override {
    ViewTest::SetUp();
    // No service: every page the dialogs ask for fails at once.
    setenv(kServiceBaseVariable, "http://127.0.0.1:9/", 1);
    QFile::link(QStringLiteral(LUMORA_SOURCE_DATA_DIR "/Skins"), dir.filePath("Skins"));
    SetLanguage("1");
    program = std::make_unique<Program>(ProgramCatalogue(), *view, QuietSystem(),
                                        ProgramEnvironment{dir.path().toStdString(), "lumora"});
  }
  void TearDown() override {
    ViewTest::TearDown();
    unsetenv(kServiceBaseVariable);
  }

  void SetLanguage(const char* code) {
    QFile config(dir.filePath("Config.ini"));
    ASSERT_TRUE(config.open(QIODevice::WriteOnly | QIODevice::Truncate));
    config.write(QByteArray("[Config]\r\nLanguage=") + code + "\r\n");
  }

  QString NameOf(WindowId window, const char* control) {
    QWidget* widget = Widget(window, control);
    QAccessibleInterface* access = widget ? QAccessible::queryAccessibleInterface(widget) : nullptr;
    return access != nullptr ? access->text(QAccessible::Name) : QStringLiteral("<none>");
  }
  QAccessible::Role RoleOf(WindowId window, const char* control) {
    QAccessibleInterface* access = QAccessible::queryAccessibleInterface(Widget(window, control));
    return access != nullptr ? access->role() : QAccessible::NoRole;
  }

  // The names of the controls Tab visits from the window's focus, `steps` times.
  QStringList TabWalk(WindowId window, int steps) {
    QWidget* top = view->WindowWidget(window);
    QStringList visited;
    for (int i = 0; i < steps && top != nullptr; ++i) {
      QWidget* focus = top->focusWidget() != nullptr ? top->focusWidget() : top;
      QTest::keyClick(focus, Qt::Key_Tab);
      visited << (top->focusWidget() != nullptr ? top->focusWidget()->objectName() : "");
    }
    return visited;
  }

  void Press(WindowId window, Qt::Key key) {
    QWidget* top = view->WindowWidget(window);
    ASSERT_NE(top, nullptr);
    QTest::keyClick(top->focusWidget() != nullptr ? top->focusWidget() : top, key);
  }
};

TEST_F(DialogKeysTest, TabVisitsTheSettingsInTheirOrderFromTheFirstBox) {
  program->LoadWindow(kSettings);
  QWidget* top = view->WindowWidget(kSettings);
  ASSERT_NE(top, nullptr);
  ASSERT_NE(top->focusWidget(), nullptr);
  EXPECT_EQ(top->focusWidget()->objectName(), "开机启动");  // as before buttons took part
  const QStringList expected = {"简体",      "繁体",     "英语",      "模式1",     "模式2",
                                "模式3",     "屏保选择", "始终置顶4", "图形按钮1", "图形按钮2",
                                "图形按钮3", "关闭按钮", "选项按钮",  "关于按钮",  "开机启动"};
  EXPECT_EQ(TabWalk(kSettings, static_cast<int>(expected.size())), expected);
}

TEST_F(DialogKeysTest, TabVisitsTheAboutButtonsFromTheWindow) {
  program->LoadWindow(kAbout);
  QWidget* top = view->WindowWidget(kAbout);
  ASSERT_NE(top, nullptr);
  // Nothing but buttons: the window keeps the keys, so Enter presses nothing unasked.
  EXPECT_EQ(top->focusWidget(), top);
  Press(kAbout, Qt::Key_Return);
  Press(kAbout, Qt::Key_Space);
  EXPECT_TRUE(program->IsLoaded(kAbout));
  const QStringList expected = {"关闭按钮",  "选项按钮",  "关于按钮", "图形按钮1",
                                "图形按钮2", "图形按钮3", "关闭按钮"};
  EXPECT_EQ(TabWalk(kAbout, static_cast<int>(expected.size())), expected);
}

// Escape is the close button's click: the dialog's own behaviour ends it, from the window
// and from a box that has the keys alike.
TEST_F(DialogKeysTest, EscapeClosesBothDialogsThroughTheirCloseButtons) {
  program->LoadWindow(kSettings);
  ASSERT_NE(view->WindowWidget(kSettings)->focusWidget(), nullptr);
  Press(kSettings, Qt::Key_Escape);
  EXPECT_FALSE(program->IsLoaded(kSettings));

  program->LoadWindow(kAbout);
  Press(kAbout, Qt::Key_Escape);
  EXPECT_FALSE(program->IsLoaded(kAbout));

  // With a modifier it is some other key.
  program->LoadWindow(kAbout);
  QTest::keyClick(view->WindowWidget(kAbout), Qt::Key_Escape, Qt::ShiftModifier);
  EXPECT_TRUE(program->IsLoaded(kAbout));
}

// Enter on the About tab of Settings runs the tab's behaviour: Settings makes way for About,
// which runs modal until Escape ends it.
TEST_F(DialogKeysTest, EnterOnATabSwitchesDialogs) {
  program->LoadWindow(kSettings);
  auto* about_tab = Widget<PictureButton>(kSettings, "关于按钮");
  ASSERT_NE(about_tab, nullptr);
  about_tab->setFocus();
  bool about_seen = false;
  QTimer::singleShot(0, [&] {
    about_seen = program->IsLoaded(kAbout) && !program->IsLoaded(kSettings);
    Press(kAbout, Qt::Key_Escape);
  });
  QTest::keyClick(about_tab, Qt::Key_Return);
  EXPECT_TRUE(about_seen);
  EXPECT_FALSE(program->IsLoaded(kAbout));
  EXPECT_FALSE(program->IsLoaded(kSettings));
}

TEST_F(DialogKeysTest, ButtonsAndTabsAreAnnouncedInTheInterfaceLanguage) {
  struct Expected {
    const char* control;
    QAccessible::Role role;
    QStringList names;  // Simplified, Traditional, English
  };
  const Expected expected[] = {
      {"关闭按钮", QAccessible::Button, {"关闭", "關閉", "Close"}},
      {"选项按钮", QAccessible::PageTab, {"选项", "選項", "Options"}},
      {"关于按钮", QAccessible::PageTab, {"关于", "關於", "About"}},
      {"图形按钮1", QAccessible::Button, {"确定", "確定", "OK"}},
      {"图形按钮2", QAccessible::Button, {"取消", "取消", "Cancel"}},
      {"图形按钮3", QAccessible::Button, {"应用", "應用", "Apply"}},
  };
  for (const WindowId dialog : {kSettings, kAbout}) {
    program->LoadWindow(dialog);
    for (int language = 1; language <= 3; ++language) {
      // Read at each announcement: a language changed while the dialog is open is heard.
      SetLanguage(std::to_string(language).c_str());
      for (const Expected& e : expected) {
        SCOPED_TRACE(std::string(WindowName(dialog)) + " " + e.control + " " +
                     std::to_string(language));
        EXPECT_EQ(RoleOf(dialog, e.control), e.role);
        EXPECT_EQ(NameOf(dialog, e.control), e.names[language - 1]);
      }
    }
    SetLanguage("9");  // no usable choice: the windows' design language
    EXPECT_EQ(NameOf(dialog, "关闭按钮"), "关闭");
    program->DestroyWindow(dialog);
    SetLanguage("1");
  }
}

// The screen reader's press is the close button's click too.
TEST_F(DialogKeysTest, PressActionOfTheCloseButtonClosesTheDialog) {
  program->LoadWindow(kAbout);
  QAccessibleInterface* access = QAccessible::queryAccessibleInterface(Widget(kAbout, "关闭按钮"));
  ASSERT_NE(access, nullptr);
  ASSERT_NE(access->actionInterface(), nullptr);
  access->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
  EXPECT_FALSE(program->IsLoaded(kAbout));
}

// The settings' boxes are named after the labels beside them, in the language of the moment
// they take the focus.
TEST_F(DialogKeysTest, BoxesAreAnnouncedByWhatTheirLabelsSay) {
  program->LoadWindow(kSettings);
  QWidget* top = view->WindowWidget(kSettings);
  ASSERT_NE(top, nullptr);
  top->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(top));
  EXPECT_EQ(RoleOf(kSettings, "简体"), QAccessible::CheckBox);
  EXPECT_EQ(NameOf(kSettings, "简体"), "中文简体");
  EXPECT_EQ(NameOf(kSettings, "始终置顶4"), "关闭到托盘");
  SetLanguage("3");
  Widget(kSettings, "英语")->setFocus();
  EXPECT_EQ(NameOf(kSettings, "英语"), "English");
  EXPECT_EQ(TabWalk(kSettings, 1), QStringList{"模式1"});
  EXPECT_EQ(NameOf(kSettings, "模式1"), "VMR9 (windowed)");
}

}  // namespace
}  // namespace lumora::viewtest
