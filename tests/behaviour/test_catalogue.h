// A small catalogue of test windows whose behaviours write what happened into a log, so
// tests can drive the model and views through every kind of entry point.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/definition.h"
#include "platform/program.h"

namespace lumora::testing {

struct TestLog {
  std::vector<std::string> entries;
  // Hooks the next handler runs, so a test can put any operation inside any event.
  std::function<void(Program&)> on_created;
  std::function<void(Program&)> on_click;
  std::function<void(Program&)> on_tick;
  std::function<void(Program&)> on_menu;
  void Clear() { *this = TestLog{}; }
};
TestLog& Log();

// MainWindow: a title strip with a close button and a label, a browser, a hidden button,
// a 100 ms timer and one menu. AboutWindow: a dialog with a close button.
Catalogue TestCatalogue();

}  // namespace lumora::testing
