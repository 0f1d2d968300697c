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

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void ShowAsModelSays();
  void SetTopMost(bool on);

  QPixmap background_;
  bool shown_ = false;  // the model's Visible; the widget is shown only once it says so
  bool minimized_ = false;
};

}  // namespace lumora::qtview
