// The updater's window on real widgets (offscreen): its words in the three languages, the
// progress it shows, how it ends, and a real update run on its worker thread.
#include "updater/program/update_window.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <QApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <chrono>
#include <filesystem>
#include <fstream>

#include "updater/core/layout.h"
#include "updater/program/texts.h"

namespace lumora::update {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

QString Q(std::string_view s) {
  return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

class UpdateWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    app_ = fs::temp_directory_path() / ("lumora-update-window-" + std::to_string(getpid()));
    fs::remove_all(app_);
    fs::create_directories(app_);
    settings_.app = app_;
    settings_.this_version = "1.0";
  }
  void TearDown() override { fs::remove_all(app_); }

  template <typename T>
  T* Child(QWidget& w, const char* name) {
    T* child = w.findChild<T*>(name);
    EXPECT_NE(child, nullptr) << name;
    return child;
  }

  fs::path app_;
  FlowSettings settings_;
};

TEST_F(UpdateWindowTest, SpeaksTheInterfaceLanguage) {
  for (int language : {1, 2, 3}) {
    UpdateWindow w(settings_, language, 10ms);
    EXPECT_EQ(w.windowTitle(), Q(TextFor(Text::kTitle, language)));
    EXPECT_EQ(Child<QPushButton>(w, "button")->text(), Q(TextFor(Text::kCancel, language)));
    EXPECT_EQ(Child<QLabel>(w, "status")->text(), Q(TextFor(Text::kChecking, language)));
    w.ShowPhase(Phase::kDownloading, "9.1");
    EXPECT_EQ(Child<QLabel>(w, "status")->text(),
              Q(Fill(TextFor(Text::kDownloading, language), "9.1")));
  }
  EXPECT_EQ(Q(TextFor(Text::kCancel, 1)), QString::fromUtf8("取消"));
  EXPECT_EQ(Q(TextFor(Text::kClose, 2)), QString::fromUtf8("關閉"));
  EXPECT_EQ(Q(TextFor(Text::kClose, 3)), QString("Close"));
}

TEST_F(UpdateWindowTest, ShowsBytesAndAFractionWhileDownloading) {
  UpdateWindow w(settings_, 3, 10ms);
  w.show();
  auto* progress = Child<QProgressBar>(w, "progress");
  auto* detail = Child<QLabel>(w, "detail");
  EXPECT_FALSE(progress->isVisible()) << "no bar before there is something to count";
  w.ShowPhase(Phase::kDownloading, "9.1");
  EXPECT_TRUE(progress->isVisible());
  // More than an int holds: the bar counts in thousandths.
  const std::uint64_t total = 6ull << 30;
  w.ShowDownload(total / 4, total);
  EXPECT_EQ(progress->value(), progress->maximum() / 4);
  EXPECT_TRUE(detail->text().startsWith("1.50 GB of 6.00 GB")) << detail->text().toStdString();
  EXPECT_TRUE(detail->text().contains("left"));
  w.ShowPhase(Phase::kInstalling, "9.1");
  EXPECT_EQ(progress->maximum(), 0) << "unpacking shows a busy bar";
}

TEST_F(UpdateWindowTest, ASuccessClosesByItselfAFailureStaysWithClose) {
  {
    UpdateWindow w(settings_, 3, 10ms);
    w.show();
    FlowResult ok;
    ok.message = Text::kInstalled;
    ok.code = "installed";
    ok.version = "9.1";
    ok.success = true;
    w.ShowResult(ok);
    EXPECT_EQ(Child<QLabel>(w, "status")->text(), QString("Updated to version 9.1."));
    EXPECT_TRUE(QTest::qWaitFor([&w] { return !w.isVisible(); }, 5000));
  }
  UpdateWindow w(settings_, 1, 10ms);
  w.show();
  w.SetCancellable(false);
  EXPECT_FALSE(Child<QPushButton>(w, "button")->isEnabled());
  FlowResult failed;
  failed.message = Text::kHashMismatch;
  failed.code = "hash-mismatch";
  w.ShowResult(failed);
  QTest::qWait(100);
  EXPECT_TRUE(w.isVisible());
  auto* button = Child<QPushButton>(w, "button");
  EXPECT_EQ(button->text(), QString::fromUtf8("关闭"));
  EXPECT_TRUE(button->isEnabled());
  EXPECT_EQ(Child<QLabel>(w, "status")->text(), Q(TextFor(Text::kHashMismatch, 1)));
  QTest::mouseClick(button, Qt::LeftButton);
  EXPECT_FALSE(w.isVisible());
}

// The real steps on the worker thread: a packaged copy ends at once with its sentence,
// delivered to the window's thread.
TEST_F(UpdateWindowTest, TheWorkersOutcomeReachesTheWindow) {
  std::ofstream(app_ / kPackageMarker) << "";
  UpdateWindow w(settings_, 2, 10ms);
  w.show();
  w.Start();
  ASSERT_TRUE(QTest::qWaitFor([&w] { return w.Finished(); }, 10000));
  EXPECT_FALSE(w.Succeeded());
  EXPECT_EQ(Child<QLabel>(w, "status")->text(), Q(TextFor(Text::kPackageManager, 2)));
  EXPECT_TRUE(w.isVisible());
  EXPECT_FALSE(fs::exists(LayoutFor(app_).staging));
}

}  // namespace
}  // namespace lumora::update

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  if (::testing::GTEST_FLAG(list_tests)) return RUN_ALL_TESTS();
  QApplication app(argc, argv);
  return RUN_ALL_TESTS();
}
