// A small catalogue of test windows, bindings that record what they were raised with, and
// a fixture that runs a Program on the Qt view.
#pragma once

#include <gtest/gtest.h>

#include <QByteArray>
#include <QDir>
#include <QWidget>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/program.h"
#include "platform/qt/qt_view.h"

namespace lumora::viewtest {

struct Raised {
  WindowId window;
  std::string control;
  Event event;
  EventArgs args;
  bool checked_then = false;  // the check box's model value when its click was handled
};

// What the bound handlers saw, in order.
extern std::vector<Raised> g_raised;
// The answer of the NewWindow2 handler.
extern bool g_cancel_new_window;
// Addresses handed to the desktop's handler, and those the view asked to open outside.
extern std::vector<std::string> g_opened;
extern std::vector<std::string> g_outside;

int Count(WindowId window, std::string_view control, Event event);
const Raised* Last(WindowId window, std::string_view control, Event event);

// Icon files of the test catalogue, relative to the run directory: RightPopupWindow names
// the shipped advertising icon, ExitPopupWindow a file that does not exist, AboutWindow
// this broken one.
inline constexpr std::string_view kShippedIcon = "Icon/AdvertLOGO.ico";
inline constexpr std::string_view kBrokenIcon = "Icon/Broken.ico";

Catalogue TestCatalogue();
// System services that do nothing and report success.
SystemServices& QuietSystem();
Bytes SolidPicture(int width, int height, QColor color);

// A real click of the mouse at (20, 20) of a browser: the engine grants what only the user may
// ask (full screen, a new window) to a page the user touched.
void ClickBrowser(QWidget* browser);

// Waits, with events running, until `condition` holds; false when it never did.
bool WaitFor(const std::function<bool()>& condition, int timeout_ms = 30000);
// Lets events run for `ms`, in a running event loop as the program has.
void Pause(int ms);

class ViewTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  template <typename W = QWidget>
  W* Widget(WindowId window, const char* name) {
    QWidget* top = view->WindowWidget(window);
    // By name, then by the real type: findChild's own type check needs Q_OBJECT, which the
    // program's own widget classes do without.
    return top == nullptr ? nullptr
                          : dynamic_cast<W*>(top->findChild<QWidget*>(QString::fromUtf8(name)));
  }

  // A file of this case's directory, and its file: address as the browsers report it.
  void Write(const char* name, const QByteArray& bytes);
  std::string Url(const char* name) const;

  QDir dir;  // this case's own directory, below the run's scratch directory
  std::unique_ptr<QtView> view;
  std::unique_ptr<Program> program;
};

}  // namespace lumora::viewtest
