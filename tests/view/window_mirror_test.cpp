// Windows and plain controls: what the model says is what the widgets show, and what the
// user does comes back as events of the right window instance.
#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QMovie>
#include <QPointer>
#include <QtTest/QTest>

#include "platform/qt/graphic_button.h"
#include "view_test_support.h"

namespace lumora::viewtest {
namespace {

using qtview::PictureButton;
constexpr WindowId kMain = WindowId::MainWindow;

QString ToQ(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QColor ColorAt(QWidget* widget, QPoint at) {
  return widget->grab().toImage().pixelColor(at);
}

TEST_F(ViewTest, WindowAndControlsMirrorTheModel) {
  program->LoadWindow(kMain);
  QWidget* window = view->WindowWidget(kMain);
  ASSERT_NE(window, nullptr);
  EXPECT_TRUE(window->isVisible());
  EXPECT_TRUE(window->windowFlags().testFlag(Qt::FramelessWindowHint));
  EXPECT_EQ(window->windowTitle(), "Main");
  EXPECT_EQ(window->geometry(), QRect(kDesignLeft, kDesignTop, 400, 300));

  // Title-bar controls live inside their container, at positions relative to it.
  auto* title = Widget<QLabel>(kMain, "title");
  auto* toppic = Widget<QLabel>(kMain, "toppic");
  ASSERT_NE(title, nullptr);
  EXPECT_EQ(title->parentWidget(), toppic);
  EXPECT_EQ(title->geometry(), QRect(40, 5, 120, 20));
  EXPECT_EQ(title->text(), "标题");
  EXPECT_EQ(title->palette().color(QPalette::WindowText), QColor(255, 0, 0));
  EXPECT_EQ(title->font().pixelSize(), 14);
  EXPECT_FALSE(Widget(kMain, "logo")->isVisible());

  program->MoveControl(kMain, "title", 50, std::nullopt, 80);
  program->SetProperty(kMain, "title", Prop::Text, std::string("<b>plain</b>"));
  program->SetProperty(kMain, "logo", Prop::Visible, true);
  program->SetProperty(kMain, "", Prop::Text, std::string("标题栏"));
  program->MoveControl(kMain, "", 120, 130, 500, 320);
  EXPECT_EQ(title->geometry(), QRect(50, 5, 80, 20));
  EXPECT_EQ(title->text(), "<b>plain</b>");
  EXPECT_EQ(title->textFormat(), Qt::PlainText);  // service texts are never markup
  EXPECT_TRUE(Widget(kMain, "logo")->isVisible());
  EXPECT_EQ(window->windowTitle(), "标题栏");
  EXPECT_EQ(window->geometry(), QRect(120, 130, 500, 320));

  program->SetProperty(kMain, "", Prop::TopMost, true);
  EXPECT_TRUE(window->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
  EXPECT_TRUE(window->isVisible());  // changing flags must not leave the window hidden
  program->SetProperty(kMain, "", Prop::Visible, false);
  EXPECT_FALSE(window->isVisible());
  program->SetProperty(kMain, "", Prop::WindowState, kWindowStateNormal);
  EXPECT_FALSE(window->isVisible());  // restoring a hidden window does not show it

  program->SetStatusText(kMain, "status", 0, "就绪");
  EXPECT_EQ(Widget<QLabel>(kMain, "status")->text(), "就绪");
}

// What the window manager does to a window reaches the model, and a later show keeps it.
TEST_F(ViewTest, MovesAndRestoresByTheWindowManagerReachTheModel) {
  program->LoadWindow(kMain);
  QWidget* window = view->WindowWidget(kMain);
  ASSERT_NE(window, nullptr);
  auto model = [&](Prop prop) { return AsInt(program->Model().Get(kMain, "", prop)); };
  window->move(-50, 130);  // as a drag by the title strip ends
  window->resize(500, 320);
  EXPECT_TRUE(WaitFor([&] { return model(Prop::Left) == -50 && model(Prop::Top) == 130; }));
  EXPECT_EQ(model(Prop::Width), 500);
  EXPECT_EQ(model(Prop::Height), 320);

  program->SetProperty(kMain, "", Prop::WindowState, kWindowStateMinimized);
  EXPECT_TRUE(window->isMinimized());
  window->showNormal();  // restored from the task bar
  EXPECT_TRUE(WaitFor([&] { return model(Prop::WindowState) == kWindowStateNormal; }));
  program->SetProperty(kMain, "", Prop::Visible, false);
  program->SetProperty(kMain, "", Prop::Visible, true);
  EXPECT_TRUE(window->isVisible());
  EXPECT_FALSE(window->isMinimized()) << "the next show keeps the user's restore";

  // Moves of a hidden window are the program's own: the model keeps what it set.
  program->SetProperty(kMain, "", Prop::Visible, false);
  program->MoveControl(kMain, "", 10, 20);
  QApplication::processEvents();
  EXPECT_EQ(model(Prop::Left), 10);
  EXPECT_EQ(window->pos(), QPoint(10, 20));
}

TEST_F(ViewTest, PicturesAreShownAtTheirOwnSize) {
  program->LoadWindow(kMain);
  program->SetProperty(kMain, "logo", Prop::Picture, SolidPicture(30, 20, Qt::blue));
  EXPECT_EQ(Widget<QLabel>(kMain, "logo")->pixmap().size(), QSize(30, 20));
  program->SetProperty(kMain, "logo", Prop::Picture, Bytes{1, 2, 3});  // not a picture
  EXPECT_TRUE(Widget<QLabel>(kMain, "logo")->pixmap().isNull());

  // Two frames of 4 by 4 pixels: red, then blue.
  const Bytes animation = {0x47, 0x49, 0x46, 0x38, 0x39, 0x61, 0x04, 0x00, 0x04, 0x00, 0xf0, 0x00,
                           0x00, 0xff, 0x00, 0x00, 0x00, 0x00, 0x00, 0x21, 0xf9, 0x04, 0x00, 0x00,
                           0x00, 0x00, 0x00, 0x21, 0xff, 0x0b, 0x4e, 0x45, 0x54, 0x53, 0x43, 0x41,
                           0x50, 0x45, 0x32, 0x2e, 0x30, 0x03, 0x01, 0x00, 0x00, 0x00, 0x2c, 0x00,
                           0x00, 0x00, 0x00, 0x04, 0x00, 0x04, 0x00, 0x00, 0x02, 0x04, 0x84, 0x8f,
                           0x09, 0x05, 0x00, 0x21, 0xf9, 0x04, 0x00, 0x00, 0x00, 0x00, 0x00, 0x2c,
                           0x00, 0x00, 0x00, 0x00, 0x04, 0x00, 0x04, 0x00, 0x80, 0x00, 0x00, 0xff,
                           0x00, 0x00, 0x00, 0x02, 0x04, 0x84, 0x8f, 0x09, 0x05, 0x00, 0x3b};
  program->SetProperty(kMain, "logo", Prop::Picture, animation);
  QMovie* movie = Widget<QLabel>(kMain, "logo")->movie();
  ASSERT_NE(movie, nullptr);
  EXPECT_EQ(movie->frameCount(), 2);
  EXPECT_EQ(movie->state(), QMovie::Running);
  program->SetProperty(kMain, "logo", Prop::Picture, SolidPicture(30, 20, Qt::blue));
  EXPECT_EQ(Widget<QLabel>(kMain, "logo")->movie(), nullptr);

  QWidget* window = view->WindowWidget(kMain);
  program->SetProperty(kMain, "", Prop::BackgroundPicture, SolidPicture(400, 300, Qt::green));
  EXPECT_EQ(ColorAt(window, QPoint(200, 150)), QColor(Qt::green));

  auto* button = Widget<PictureButton>(kMain, "closebtn");
  program->SetProperty(kMain, "closebtn", Prop::NormalPicture, SolidPicture(26, 20, Qt::red));
  EXPECT_EQ(ColorAt(button, QPoint(5, 5)), QColor(Qt::red));
  button->setDown(true);  // held down without a pressed picture: still the normal one
  EXPECT_EQ(ColorAt(button, QPoint(5, 5)), QColor(Qt::red));
  program->SetProperty(kMain, "closebtn", Prop::PressedPicture, SolidPicture(26, 20, Qt::yellow));
  EXPECT_EQ(ColorAt(button, QPoint(5, 5)), QColor(Qt::yellow));
  button->setDown(false);
  EXPECT_EQ(ColorAt(button, QPoint(5, 5)), QColor(Qt::red));
}

TEST_F(ViewTest, UserInputRaisesTheControlsEvents) {
  program->LoadWindow(kMain);
  auto* button = Widget<QAbstractButton>(kMain, "closebtn");
  QTest::mouseClick(button, Qt::LeftButton);
  EXPECT_EQ(Count(kMain, "closebtn", Event::Clicked), 1);
  // Pressed, then released away from the button: no click.
  QTest::mousePress(button, Qt::LeftButton);
  QTest::mouseRelease(button, Qt::LeftButton, {}, QPoint(-40, -40));
  EXPECT_EQ(Count(kMain, "closebtn", Event::Clicked), 1);

  QTest::mousePress(Widget(kMain, "title"), Qt::LeftButton, {}, QPoint(7, 9));
  const Raised* down = Last(kMain, "title", Event::LeftButtonDown);
  ASSERT_NE(down, nullptr);
  EXPECT_EQ(down->args.x, 7);
  EXPECT_EQ(down->args.y, 9);
  // A press on a control belongs to it alone, not also to its container.
  QTest::mousePress(Widget(kMain, "title"), Qt::RightButton);
  EXPECT_EQ(Count(kMain, "toppic", Event::RightButtonDown), 0);
  QTest::mousePress(Widget(kMain, "toppic"), Qt::RightButton, {}, QPoint(3, 4));
  EXPECT_EQ(Count(kMain, "toppic", Event::RightButtonDown), 1);

  // The handler already sees the toggled value in the model.
  auto* check = Widget<QCheckBox>(kMain, "check");
  QTest::mouseClick(check, Qt::LeftButton);
  ASSERT_EQ(Count(kMain, "check", Event::Clicked), 1);
  EXPECT_TRUE(Last(kMain, "check", Event::Clicked)->checked_then);
  EXPECT_TRUE(check->isChecked());
  program->SetProperty(kMain, "check", Prop::Checked, false);
  EXPECT_FALSE(check->isChecked());
  EXPECT_EQ(Count(kMain, "check", Event::Clicked), 1);  // setting it is no click
}

TEST_F(ViewTest, TimersTickAtTheirIntervalAndStopAtZero) {
  program->LoadWindow(kMain);
  program->SetProperty(kMain, "clock", Prop::Interval, 20);
  EXPECT_TRUE(WaitFor([] { return Count(kMain, "clock", Event::Tick) >= 3; }));
  program->SetProperty(kMain, "clock", Prop::Interval, 0);
  const int ticks = Count(kMain, "clock", Event::Tick);
  program->Delay(300);
  EXPECT_EQ(Count(kMain, "clock", Event::Tick), ticks);
}

TEST_F(ViewTest, ADestroyedWindowIsGoneAndSilent) {
  program->LoadWindow(kMain);
  program->SetProperty(kMain, "clock", Prop::Interval, 10);
  QPointer<QWidget> old_window = view->WindowWidget(kMain);
  QPointer<QAbstractButton> old_button = Widget<QAbstractButton>(kMain, "closebtn");

  // The window goes from inside a handler of its own button.
  QTest::mouseClick(Widget(kMain, "quitbtn"), Qt::LeftButton);
  EXPECT_FALSE(program->IsLoaded(kMain));
  EXPECT_EQ(view->WindowWidget(kMain), nullptr);
  ASSERT_TRUE(old_window);  // still there: deleted later, not under the handler's feet
  EXPECT_FALSE(old_window->isVisible());

  // A new instance of the same window must not hear the old one's widgets.
  program->LoadWindow(kMain);
  ASSERT_TRUE(old_button);
  const int ticks = Count(kMain, "clock", Event::Tick);
  QTest::mouseClick(old_button, Qt::LeftButton);
  EXPECT_EQ(Count(kMain, "closebtn", Event::Clicked), 0);
  QTest::mouseClick(Widget(kMain, "closebtn"), Qt::LeftButton);
  EXPECT_EQ(Count(kMain, "closebtn", Event::Clicked), 1);

  EXPECT_TRUE(WaitFor([&] { return old_window.isNull(); }));
  EXPECT_EQ(Count(kMain, "clock", Event::Tick), ticks);  // the new clock was never started
}

TEST_F(ViewTest, LabelTextsFitTheirBoxes) {
  program->LoadWindow(kMain);
  auto* title = Widget<QLabel>(kMain, "title");  // 120 x 20, one line of 14 pixels
  ASSERT_NE(title, nullptr);
  auto fits = [&] { return title->fontMetrics().horizontalAdvance(title->text()) <= 120; };

  const std::string longer = "服务发来的长标题文字";
  program->SetProperty(kMain, "title", Prop::Text, longer);
  EXPECT_EQ(title->text().toStdString(), longer);  // the whole text, never cut
  EXPECT_LT(title->font().pixelSize(), 14);
  EXPECT_GE(title->font().pixelSize(), 10);
  EXPECT_TRUE(fits());
  EXPECT_FALSE(title->wordWrap());

  // Room again, from a wider box or a shorter text: the model's own size comes back.
  program->MoveControl(kMain, "title", std::nullopt, std::nullopt, 400);
  EXPECT_EQ(title->font().pixelSize(), 14);
  program->MoveControl(kMain, "title", std::nullopt, std::nullopt, 120);
  EXPECT_LT(title->font().pixelSize(), 14);
  program->SetProperty(kMain, "title", Prop::Text, std::string("短"));
  EXPECT_EQ(title->font().pixelSize(), 14);

  // Never smaller than a size that reads; the rest of a very long text is cut by the box.
  program->SetProperty(kMain, "title", Prop::Text, std::string(200, 'W'));
  EXPECT_EQ(title->font().pixelSize(), 10);

  // A box with room for several lines wraps instead, at the font it was given.
  auto* note = Widget<QLabel>(kMain, "note");
  const QFont before = note->font();
  program->SetProperty(kMain, "note", Prop::Text,
                       std::string("感谢您使用本软件！影视片库、电视直播与应用中心尽在其中。"));
  EXPECT_TRUE(note->wordWrap());
  EXPECT_EQ(note->font(), before);
  EXPECT_LE(note->heightForWidth(150), 60);
}

TEST_F(ViewTest, WindowsShowTheirOwnIconOrTheProgramsIcon) {
  ASSERT_TRUE(dir.mkpath("Icon"));
  ASSERT_TRUE(QFile::copy(QStringLiteral(LUMORA_SOURCE_DATA_DIR "/") + ToQ(kShippedIcon),
                          dir.filePath(ToQ(kShippedIcon))));
  QFile broken(dir.filePath(ToQ(kBrokenIcon)));
  ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
  broken.write("not a picture");
  broken.close();
  QPixmap program_pixmap(16, 16);
  program_pixmap.fill(Qt::blue);
  const QIcon program_icon(program_pixmap);
  QApplication::setWindowIcon(program_icon);

  // Every size of the shipped file, not only the first.
  program->LoadWindow(WindowId::RightPopupWindow);
  QWidget* advert = view->WindowWidget(WindowId::RightPopupWindow);
  ASSERT_NE(advert, nullptr);
  EXPECT_EQ(advert->windowIcon().availableSizes(),
            (QList<QSize>{QSize(16, 16), QSize(32, 32), QSize(48, 48)}));
  EXPECT_NE(advert->windowIcon().cacheKey(), program_icon.cacheKey());

  // Missing, unreadable or not named at all: the program's icon, and the window still opens.
  for (WindowId id : {WindowId::ExitPopupWindow, WindowId::AboutWindow, kMain}) {
    SCOPED_TRACE(std::string(WindowName(id)));
    program->LoadWindow(id);
    QWidget* window = view->WindowWidget(id);
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    EXPECT_FALSE(window->testAttribute(Qt::WA_SetWindowIcon));
    EXPECT_EQ(window->windowIcon().cacheKey(), program_icon.cacheKey());
  }
  QApplication::setWindowIcon(QIcon());
}

}  // namespace
}  // namespace lumora::viewtest
