// The Settings and About dialogs on the headless view, with a run directory whose skin
// pictures hold their own file names (so a slot tells which file it shows), a loopback
// service, and a program file whose name has blanks and quotes in it.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "config/gbk.h"
#include "platform/headless/headless_view.h"
#include "platform/headless/recording_system.h"
#include "service/pages.h"
#include "service/service_base.h"
#include "tests/behaviour/run_directory.h"
#include "tests/support/test_server.h"
#include "windows/behaviours.h"

namespace lumora::testing {

// Records programs started like RecordingSystem; lets a test look around at that moment or
// have the start fail.
class StartWatchingSystem : public RecordingSystem {
 public:
  std::function<void()> on_start;
  bool start_fails = false;

  bool StartProgram(const std::string& path, const std::vector<std::string>& args) override {
    if (on_start) on_start();
    if (start_fails) return false;
    return RecordingSystem::StartProgram(path, args);
  }
};

inline constexpr const char* kProgramFile = "Lumora \"Nightly\" it's";
inline const std::array<std::string, 3> kNames = {"简影", "繁影", "Lumo"};

class DialogFixture : public ::testing::Test {
 protected:
  static constexpr WindowId kSettings = WindowId::SettingsWindow;
  static constexpr WindowId kAbout = WindowId::AboutWindow;

  DialogFixture() {
    setenv(kServiceBaseVariable, server.Base().c_str(), 1);
    std::vector<std::string> pictures = {"BackgroundA.gif", "CloseA.gif", "CloseB.gif",
                                         "AboutLOGO.gif"};
    for (const char* kind : {"Option", "About", "Confirm", "Cancel", "Apply"}) {
      for (char letter = 'A'; letter <= 'H'; ++letter) {
        pictures.push_back(std::string(kind) + letter + ".gif");
      }
    }
    for (const std::string& file : pictures) run.WriteFile("Skins/Default/" + file, file);
    for (std::size_t i = 0; i < kNames.size(); ++i) Page(kProductNamePages[i], kNames[i]);
    run.SetConfig("Language", "1");
  }
  ~DialogFixture() override { unsetenv(kServiceBaseVariable); }

  // A page as the service sends it, in GBK; "-" leaves it unpublished (404).
  void Page(std::string_view page, std::string_view text) {
    server.Set("/" + std::string(page),
               text == "-" ? TestServer::Status(404) : TestServer::Body(Utf8ToGbk(text)));
  }
  std::vector<std::string> Requests() const {
    std::vector<std::string> pages;
    for (const std::string& path : server.RequestedPaths()) pages.push_back(path.substr(1));
    return pages;
  }

  std::string Text(WindowId w, std::string_view control) const {
    return AsText(program.GetProperty(w, control, Prop::Text));
  }
  bool Checked(std::string_view box) const {
    return AsBool(program.GetProperty(kSettings, box, Prop::Checked));
  }
  std::string Picture(WindowId w, std::string_view control, Prop slot) const {
    const Bytes bytes = AsBytes(program.GetProperty(w, control, slot));
    return std::string(bytes.begin(), bytes.end());
  }
  // A button's normal, mouse-over and pressed pictures, "|"-separated.
  std::string Button(WindowId w, std::string_view control) const {
    return Picture(w, control, Prop::NormalPicture) + "|" +
           Picture(w, control, Prop::HoverPicture) + "|" +
           Picture(w, control, Prop::PressedPicture);
  }

  TestServer server;
  RunDirectory run;
  HeadlessView view;
  StartWatchingSystem system;
  Program program{ProgramCatalogue(), view, system, ProgramEnvironment{run.Path(), kProgramFile}};
};

}  // namespace lumora::testing
