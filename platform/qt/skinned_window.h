// The top-level widget of one loaded window: frameless, painted with its skin picture.
#pragma once

#include <QPixmap>
#include <QWidget>
#include <functional>

#include "platform/types.h"

namespace lumora::qtview {

class SkinnedWindow : public QWidget {
 public:
  SkinnedWindow();

  // Mirrors one of the window's own properties.
  void Apply(Prop prop, const Value& value);
  // Presses of the left or right button on the window itself (not on a control), with the
  // position in the window.
  std::function<void(Event, QPoint)> on_press;
  // Where the window is and whether it is minimized, after the window manager (or the user
  // through it) moved, resized, minimized or restored it. Coalesced to one call per turn of
  // the event loop; never while the window is hidden or a page holds it full screen.
  std::function<void(Rect placement, bool minimized)> on_window_manager;
  // Escape pressed in the window and taken by none of its controls.
  std::function<void()> on_escape;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void moveEvent(QMoveEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void changeEvent(QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void ShowAsModelSays();
  void ChooseFirstFocus();
  void SetTopMost(bool on);
  void ReportLater();
  void Report();

  QPixmap background_;
  bool shown_ = false;  // the model's Visible; the widget is shown only once it says so
  bool minimized_ = false;
  bool report_pending_ = false;
};

}  // namespace lumora::qtview
