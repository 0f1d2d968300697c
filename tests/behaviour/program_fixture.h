// The real program on the headless view, with a run directory holding Config.ini and the
// three language tables, and a loopback service whose pages each test sets. Hooks on the view
// let a test change the service's answer between two requests of one handler.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "config/gbk.h"
#include "config/language_tables.h"
#include "platform/headless/headless_view.h"
#include "platform/headless/recording_system.h"
#include "service/service_base.h"
#include "tests/behaviour/run_directory.h"
#include "tests/support/test_server.h"
#include "windows/behaviours.h"

namespace lumora::testing {

class HookedView : public HeadlessView {
 public:
  std::function<void(WindowId)> on_created;
  std::function<void(WindowId, std::string_view, Prop)> on_property;

  void WindowCreated(WindowId window) override {
    HeadlessView::WindowCreated(window);
    if (on_created) on_created(window);
  }
  void PropertyChanged(WindowId window, std::string_view control, Prop prop,
                       const Value& value) override {
    HeadlessView::PropertyChanged(window, control, prop, value);
    if (on_property) on_property(window, control, prop);
  }
};

struct TableTexts {
  std::string name;
  std::array<std::string, kColumnCount> columns;
};

// The tables' texts in these tests (index = language code - 1).
inline const std::array<TableTexts, 3> kTables = {{
    {"简影", {"简影片", "简直播", "简应用", "简游戏", "简推荐"}},
    {"繁影", {"繁影片", "繁直播", "繁應用", "繁遊戲", "繁推薦"}},
    {"Lumo", {"Films", "Live TV", "Apps", "Games", "Picks"}},
}};

class ProgramFixture : public ::testing::Test {
 protected:
  static constexpr WindowId kMain = WindowId::MainWindow;

  ProgramFixture() {
    setenv(kServiceBaseVariable, server.Base().c_str(), 1);
    for (std::size_t i = 0; i < kTables.size(); ++i) {
      std::string ini = "[Config]\r\nName=" + kTables[i].name + "\r\n";
      for (std::size_t c = 0; c < kColumnCount; ++c) {
        ini += "Column " + std::to_string(c + 1) + "=" + kTables[i].columns[c] + "\r\n";
      }
      run.WriteFile("Language/" + std::string(kLanguageTableFiles[i]), Utf8ToGbk(ini));
    }
    run.SetConfig("Language", "1");
    run.SetConfig("Tray", "1");
  }
  ~ProgramFixture() override { unsetenv(kServiceBaseVariable); }

  // A page as the service sends it, in GBK; "-" leaves it unpublished (404).
  void Page(std::string_view page, std::string_view text) {
    server.Set("/" + std::string(page),
               text == "-" ? TestServer::Status(404) : TestServer::Body(Utf8ToGbk(text)));
  }
  void On(std::string_view page) { Page(page, "开"); }
  void Off(std::string_view page) { Page(page, "关"); }

  std::vector<std::string> Requests() const {
    std::vector<std::string> pages;
    for (const std::string& path : server.RequestedPaths()) pages.push_back(path.substr(1));
    return pages;
  }
  int Requested(std::string_view page) const {
    const std::vector<std::string> pages = Requests();
    return static_cast<int>(std::count(pages.begin(), pages.end(), page));
  }

  // MainWindow's creation, the 5-second wait included.
  void Start() { program.LoadWindow(kMain); }

  std::string Text(WindowId w, std::string_view control) const {
    return AsText(program.GetProperty(w, control, Prop::Text));
  }
  std::string Address(WindowId w, std::string_view control) const {
    return AsText(program.GetProperty(w, control, Prop::Address));
  }
  bool Visible(WindowId w, std::string_view control) const {
    return AsBool(program.GetProperty(w, control, Prop::Visible));
  }
  int Get(WindowId w, std::string_view control, Prop prop) const {
    return AsInt(program.GetProperty(w, control, prop));
  }
  std::string Base() const { return server.Base(); }

  // A window opened under one stored language: its caption and its title label, as set by
  // its creation, then closed again with its close button.
  struct LanguageCase {
    std::string language, caption, title;
  };
  void ExpectCaptionsPerLanguage(WindowId w, std::string_view title_label,
                                 const std::vector<LanguageCase>& cases) {
    for (const LanguageCase& c : cases) {
      SCOPED_TRACE(c.language);
      run.SetConfig("Language", c.language);
      program.LoadWindow(w);
      EXPECT_EQ(Text(w, ""), c.caption);
      EXPECT_EQ(Text(w, title_label), c.title);
      view.Click(w, "关闭按钮");
    }
  }

  TestServer server;
  RunDirectory run;
  HookedView view;
  RecordingSystem system;
  Program program{ProgramCatalogue(), view, system, ProgramEnvironment{run.Path(), "lumora"}};
};

}  // namespace lumora::testing
