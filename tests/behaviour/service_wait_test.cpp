// While a handler waits for the service the windows keep being drawn, but nothing else of the
// program runs: what a user, a page or a timer does meanwhile is held and handed over after
// the handler, in order, and the end of the program stops the wait at once. Real fetches
// against the loopback test server; the view acts on the user-interface thread while the
// fetch runs on its own.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "launcher/start.h"
#include "platform/headless/headless_view.h"
#include "platform/headless/recording_system.h"
#include "platform/program.h"
#include "platform/ui_turn.h"
#include "service/fetch.h"
#include "service/pages.h"
#include "tests/behaviour/program_fixture.h"
#include "tests/behaviour/test_catalogue.h"
#include "tests/support/test_server.h"

namespace lumora {
namespace {

using testing::Log;
using testing::TestServer;
using Clock = std::chrono::steady_clock;
constexpr WindowId kMain = WindowId::MainWindow;
constexpr WindowId kDialog = WindowId::AboutWindow;

class ServiceWaitTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Log().Clear();
    program.LoadWindow(kMain);
    // The close button's handler fetches a page; every other click only records itself.
    Log().on_click = [this](Program& p) {
      if (p.GetEventSource().control != "关闭按钮") return;
      ++running;
      max_running = std::max(max_running, running);
      const Bytes body = FetchPage(server.Base() + "page");
      Log().entries.push_back("fetched:" + std::string(body.begin(), body.end()));
      if (after_fetch) after_fetch(p);
      --running;
    };
  }
  void TearDown() override { Log().Clear(); }

  std::vector<std::string> Entries() const { return Log().entries; }

  TestServer server;
  HeadlessView view;
  RecordingSystem system;
  Program program{testing::TestCatalogue(), view, system, ProgramEnvironment{"/nowhere", "lumora"}};
  std::function<void(Program&)> after_fetch;
  int running = 0;
  int max_running = 0;
};

TEST_F(ServiceWaitTest, WhatHappensDuringAWaitRunsAfterTheHandlerInOrderATimerOnce) {
  server.Set("/page", TestServer::Drip("ok", std::chrono::milliseconds(100)));
  view.DuringNextWait([&] {
    view.Click(kMain, "标题");
    // A timer that falls due three times while the thread waits ticks once afterwards.
    for (int i = 0; i < 3; ++i) program.Raise(kMain, "时钟", Event::Tick);
    view.RequestNewWindow(kMain, "WebBrowser1", "https://example.com/");
    view.Click(kMain, "关闭按钮");
    Log().entries.push_back("end of the wait");
  });
  view.Click(kMain, "关闭按钮");
  // Nothing held has run yet: the handler finished first.
  EXPECT_EQ(Entries(), (std::vector<std::string>{"MainWindow::created", "MainWindow:关闭按钮:click",
                                                 "end of the wait", "fetched:ok"}));
  // The engine cannot wait for the behaviour's answer, so it gets no window of its own.
  EXPECT_EQ(view.OwnBrowserWindows(), 0);
  Log().entries.clear();
  view.RunFor(1);
  EXPECT_EQ(Entries(), (std::vector<std::string>{"MainWindow:标题:click", "MainWindow:时钟:tick",
                                                 "MainWindow:WebBrowser1:newwindow",
                                                 "MainWindow:关闭按钮:click", "fetched:ok"}));
  EXPECT_EQ(max_running, 1);
  EXPECT_EQ(view.Waits(), 2);
}

TEST_F(ServiceWaitTest, AClickHeldForAWindowThatWentAwayReachesNobody) {
  server.Set("/page", TestServer::Body("ok"));
  program.LoadWindow(kDialog);
  view.DuringNextWait([&] { view.Click(kDialog, "关闭按钮"); });
  // The waiting handler closes the dialog and opens it anew: the click was meant for the one
  // the user saw, which is gone.
  after_fetch = [](Program& p) {
    p.DestroyWindow(kDialog);
    p.LoadWindow(kDialog);
  };
  view.Click(kMain, "关闭按钮");
  view.RunFor(1);
  EXPECT_TRUE(program.IsLoaded(kDialog));
  for (const std::string& entry : Entries()) EXPECT_NE(entry, "AboutWindow:关闭按钮:close");
}

TEST_F(ServiceWaitTest, TheStallWatchSeesAHandlerAsItsStretchesBetweenLoopsWaitsIncluded) {
  server.Set("/page", TestServer::Drip("ok", std::chrono::milliseconds(100)));
  std::vector<Clock::duration> stretches;
  SetBusyListener([&](BusyClock::time_point from, BusyClock::time_point to) {
    stretches.push_back(to - from);
  });
  view.Click(kMain, "关闭按钮");  // one stretch, the fetch inside it
  ASSERT_EQ(stretches.size(), 1u);
  EXPECT_GE(stretches[0], std::chrono::milliseconds(150));
  // A handler with a nested loop holds the thread twice, and one it raises inside itself
  // (the creation event of a window it loads) adds no stretch of its own.
  stretches.clear();
  Log().on_click = [](Program& p) {
    p.LoadWindow(kDialog);
    p.Delay(50);  // shorter than the timer's interval: no tick runs inside it
  };
  view.Click(kMain, "标题");
  SetBusyListener(nullptr);
  EXPECT_EQ(stretches.size(), 2u);
}

// The end of the program (a termination signal) while the service keeps the handler waiting:
// the wait ends at once, nothing after the fetch runs, and nothing held is handed over.
class EndDuringAWait : public ServiceWaitTest,
                       public ::testing::WithParamInterface<TestServer::Answer> {};

TEST_P(EndDuringAWait, StopsTheWaitAndRunsNothingAfter) {
  server.Set("/page", GetParam());
  view.DuringNextWait([&] {
    view.Click(kMain, "标题");
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    program.Terminate(143);
  });
  const auto start = Clock::now();
  view.Click(kMain, "关闭按钮");
  const auto waited = Clock::now() - start;
  view.RunFor(1);
  // The fetch's own bound is 5 s, the low-speed abort 3 s: well inside either.
  EXPECT_LT(waited, std::chrono::milliseconds(1500));
  EXPECT_TRUE(program.Ended());
  EXPECT_EQ(program.ExitCode(), 143);
  EXPECT_EQ(Entries(),
            (std::vector<std::string>{"MainWindow::created", "MainWindow:关闭按钮:click"}));
}

std::string AnswerName(const ::testing::TestParamInfo<TestServer::Answer>& param) {
  static const char* const kNames[] = {"Silent", "OneBytePerSecond", "Endless"};
  return kNames[param.index];
}

INSTANTIATE_TEST_SUITE_P(HostileServices, EndDuringAWait,
                         ::testing::Values(TestServer::Silent(),
                                           TestServer::Drip(std::string(64, 'x'),
                                                            std::chrono::milliseconds(1000)),
                                           TestServer::Endless()),
                         AnswerName);

TEST_F(ServiceWaitTest, AResetConnectionGivesNothingAndHandsOverWhatWasHeld) {
  server.Set("/page", TestServer::Reset());
  view.DuringNextWait([&] { view.Click(kMain, "标题"); });
  view.Click(kMain, "关闭按钮");
  view.RunFor(1);
  EXPECT_EQ(Entries(), (std::vector<std::string>{"MainWindow::created", "MainWindow:关闭按钮:click",
                                                 "fetched:", "MainWindow:标题:click"}));
}

// The real program, ended by a signal while its start-up waits for a service that never
// answers: it ends at once and every item of its settings file keeps its value.
class StartupWaitTest : public testing::ProgramFixture {};

TEST_F(StartupWaitTest, ASignalDuringTheFirstFetchEndsTheProgramWithEveryItemKept) {
  server.Set("/" + std::string(kStartupSwitchPage), TestServer::Silent());
  run.SetConfig("Left", "120");
  run.SetConfig("Maximize", "0");
  view.DuringNextWait([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    program.Terminate(143);
  });
  const auto start = Clock::now();
  EXPECT_EQ(RunStartRoutine(program), 143);
  EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(1500));
  EXPECT_EQ(run.Config("Language"), "1");
  EXPECT_EQ(run.Config("Tray"), "1");
  EXPECT_EQ(run.Config("Left"), "120");
  EXPECT_EQ(Requested(kStartupSwitchPage), 1);
}

}  // namespace
}  // namespace lumora
