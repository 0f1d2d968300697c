// The forced upgrade and the manual updater on the headless view, with the service's two
// switch pages served over loopback.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <optional>
#include <ostream>
#include <string>

#include "launcher/start.h"
#include "platform/headless/headless_view.h"
#include "platform/headless/recording_system.h"
#include "service/pages.h"
#include "service/service_base.h"
#include "service/version_check.h"
#include "tests/behaviour/test_catalogue.h"
#include "tests/support/test_server.h"

namespace lumora {
namespace {

using testing::Log;
using testing::TestServer;

const std::string kOn = "\xBF\xAA";   // "开" in GBK
const std::string kOff = "\xB9\xD8";  // "关" in GBK

// Remembers whether the main window was still there when the updater started.
class WatchedSystem : public RecordingSystem {
 public:
  bool StartProgram(const std::string& path, const std::vector<std::string>& args) override {
    main_window_loaded_at_start.push_back(program != nullptr &&
                                          program->IsLoaded(WindowId::MainWindow));
    return RecordingSystem::StartProgram(path, args);
  }
  const Program* program = nullptr;
  std::vector<bool> main_window_loaded_at_start;
};

class UpgradeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Log().Clear();
    system.program = &program;
    setenv(kServiceBaseVariable, server.Base().c_str(), 1);
  }
  void TearDown() override {
    unsetenv(kServiceBaseVariable);
    Log().Clear();
  }
  bool Requested(std::string_view page) const {
    const std::string path = "/" + std::string(page);
    for (const std::string& p : server.RequestedPaths()) {
      if (p == path) return true;
    }
    return false;
  }

  TestServer server;
  HeadlessView view;
  WatchedSystem system;
  // Blanks and quotes in the directory must reach the updater's path untouched.
  const std::string run_directory = "/opt/my \"apps\" $(x)/lumora";
  Program program{testing::TestCatalogue(), view, system,
                  ProgramEnvironment{run_directory, "lumora"}};
};

struct CheckCase {
  const char* name;
  std::optional<std::string> check_switch;  // nothing: the page is not published (404)
  std::optional<std::string> version_page;
  bool version_page_asked;
  bool upgrade;
};

// clang-format off
const CheckCase kCheckCases[] = {
  {"BothOn",              kOn,                     kOn,            true,  true},
  {"VersionPageOff",      kOn,                     kOff,           true,  false},
  {"CheckOff",            kOff,                    kOn,            false, false},
  {"PagesUnpublished",    std::nullopt,            std::nullopt,   false, false},
  {"VersionUnpublished",  kOn,                     std::nullopt,   true,  false},
  {"CheckWithLineBreak",  kOn + "\n",              kOn,            false, false},
  {"VersionInHtml",       kOn,                     "<html>" + kOn + "</html>", true, false},
};
// clang-format on

void PrintTo(const CheckCase& c, std::ostream* os) {
  *os << c.name;
}

class ForcedUpgrade : public UpgradeTest, public ::testing::WithParamInterface<CheckCase> {};

TEST_P(ForcedUpgrade, EndsTheProgramOnlyWhenBothSwitchesAreOn) {
  const CheckCase& c = GetParam();
  if (c.check_switch)
    server.Set("/" + std::string(kForcedUpgradeSwitchPage), TestServer::Body(*c.check_switch));
  if (c.version_page)
    server.Set("/" + std::string(kVersionPage), TestServer::Body(*c.version_page));
  Log().on_created = [](Program& p) {
    CheckForcedUpgrade(p);
    Log().entries.push_back("set-up went on");
  };
  std::size_t started_while_message_shown = 99;
  view.OnMessageBox([&](const HeadlessView::MessageBoxCall&) {
    started_while_message_shown = system.started.size();
    return 1;
  });
  view.At(500, [&] { program.DestroyWindow(WindowId::MainWindow); });

  EXPECT_EQ(RunStartRoutine(program), 0);

  EXPECT_EQ(Requested(kVersionPage), c.version_page_asked);
  const bool went_on = std::find(Log().entries.begin(), Log().entries.end(), "set-up went on") !=
                       Log().entries.end();
  if (!c.upgrade) {
    EXPECT_TRUE(view.MessageBoxes().empty());
    EXPECT_TRUE(system.started.empty());
    EXPECT_FALSE(program.Ended());
    EXPECT_TRUE(went_on);
    return;
  }
  ASSERT_EQ(view.MessageBoxes().size(), 1u);
  EXPECT_EQ(view.MessageBoxes()[0].text, "程序已经有新版本，请升级！");
  EXPECT_EQ(view.MessageBoxes()[0].title, "警告");
  EXPECT_EQ(view.MessageBoxes()[0].flags, 0x40);
  EXPECT_EQ(started_while_message_shown, 0u) << "the updater must wait for the user's OK";
  ASSERT_EQ(system.started.size(), 1u);
  EXPECT_EQ(system.started[0].path, run_directory + "/Update");
  EXPECT_TRUE(system.started[0].args.empty());
  EXPECT_TRUE(program.Ended());
  EXPECT_FALSE(went_on) << "no start-up step may run after the upgrade ends the program";
}

INSTANTIATE_TEST_SUITE_P(Cases, ForcedUpgrade, ::testing::ValuesIn(kCheckCases),
                         [](const auto& param_info) { return std::string(param_info.param.name); });

TEST_F(UpgradeTest, ManualUpdaterClosesTheMainWindowFirstWhateverThePages) {
  server.Set("/" + std::string(kForcedUpgradeSwitchPage), TestServer::Body(kOff));
  server.Set("/" + std::string(kVersionPage), TestServer::Body(kOff));
  Log().on_click = [](Program& p) { RunUpdater(p); };
  view.At(100, [&] { view.Click(WindowId::MainWindow, "关闭按钮"); });

  EXPECT_EQ(RunStartRoutine(program), 0);

  EXPECT_FALSE(program.IsLoaded(WindowId::MainWindow));
  ASSERT_EQ(system.started.size(), 1u);
  EXPECT_EQ(system.started[0].path, run_directory + "/Update");
  EXPECT_TRUE(system.started[0].args.empty());
  EXPECT_EQ(system.main_window_loaded_at_start, std::vector<bool>{false});
  EXPECT_TRUE(view.MessageBoxes().empty());
  EXPECT_TRUE(server.RequestedPaths().empty());
  EXPECT_LE(view.Now(), 200) << "the program ends with its main window";
}

}  // namespace
}  // namespace lumora
