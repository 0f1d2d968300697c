// The program's own catalogue on the headless view: its bindings are sound and the
// start-up window lives and ends as the start routine expects.
#include <gtest/gtest.h>

#include <set>

#include "forms/catalogue.h"
#include "launcher/start.h"
#include "platform/headless/headless_view.h"
#include "platform/headless/recording_system.h"
#include "windows/behaviours.h"

namespace lumora {
namespace {

// Every binding names a real control (or menu item) and each name is unique in its window;
// every parent exists and is declared before its children.
TEST(CatalogueIntegrity, BindingsNameRealControlsAndNamesAreUnique) {
  for (int i = 0; i < kWindowCount; ++i) {
    const auto id = static_cast<WindowId>(i);
    const WindowDef& def = WindowDefinition(id);
    SCOPED_TRACE(std::string(WindowName(id)));
    EXPECT_EQ(def.id, id);
    std::set<std::string_view> names;
    for (const ControlDef& c : def.controls) {
      EXPECT_TRUE(names.insert(c.name).second) << "duplicate control " << c.name;
      if (!c.parent.empty()) {
        EXPECT_TRUE(names.count(c.parent)) << c.name << " has no parent";
      }
    }
    std::set<std::string> menu_paths;
    std::string menu, item;
    for (const MenuItemDef& m : def.menus) {
      if (m.level == 0) menu = std::string(m.text);
      if (m.level == 1) item = menu + "/" + std::string(m.text);
      menu_paths.insert(m.level == 0   ? menu
                        : m.level == 1 ? item
                                       : item + "/" + std::string(m.text));
    }
    for (const Binding& b : BindingsFor(id)) {
      EXPECT_NE(b.handler, nullptr);
      if (b.control.empty()) continue;
      if (b.event == Event::MenuItemClicked) {
        EXPECT_TRUE(menu_paths.count(std::string(b.control))) << "no menu item " << b.control;
      } else {
        EXPECT_TRUE(names.count(b.control)) << "no control " << b.control;
      }
    }
  }
}

class MainWindowTest : public ::testing::Test {
 protected:
  HeadlessView view;
  RecordingSystem system;
  Program program{ProgramCatalogue(), view, system, ProgramEnvironment{"/opt/lumora", "lumora"}};
};

TEST_F(MainWindowTest, RunsUntilClosedTrimmingMemoryMeanwhile) {
  view.At(1000, [&] { view.Click(WindowId::MainWindow, "最小化按钮"); });
  view.At(1001, [&] {
    EXPECT_EQ(AsInt(program.GetProperty(WindowId::MainWindow, "", Prop::WindowState)),
              kWindowStateMinimized);
    // Closing by its button depends on Config.ini and the service; end it directly.
    program.DestroyWindow(WindowId::MainWindow);
  });
  EXPECT_EQ(RunStartRoutine(program), 0);
  EXPECT_FALSE(program.IsLoaded(WindowId::MainWindow));
  EXPECT_EQ(system.trims, 5);  // every 200 ms
  EXPECT_EQ(AsText(program.GetProperty(WindowId::MainWindow, "WebBrowser1", Prop::Address)), "");
}

}  // namespace
}  // namespace lumora
