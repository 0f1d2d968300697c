// A browser view shown over the whole screen of its window, for as long as this lives.
#pragma once

#include <QObject>
#include <QPointer>
#include <QRect>
#include <functional>
#include <vector>

class QShortcut;
class QWebEngineView;
class QWidget;

namespace lumora::qtview {

// Takes the view on construction: the window's other controls are hidden, the window goes
// full screen on the screen it is on and the view covers it. Gives everything back on
// destruction, the window at exactly its earlier geometry and maximize state. The window
// model never hears of it: this is the page's state, not the window's.
class FullScreen final : public QObject {
 public:
  // `leave` asks the page to end its full screen (Escape, the window hidden or closed); the
  // page's answer then ends this object.
  FullScreen(QWebEngineView* view, std::function<void()> leave);
  ~FullScreen() override;
  FullScreen(const FullScreen&) = delete;
  FullScreen& operator=(const FullScreen&) = delete;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  struct Moved {
    QPointer<QWidget> widget;
    QRect geometry;
  };
  void Fit();
  // Gives the window and its controls back; once. Also on the window hiding, before a
  // window that is being closed for good is deleted with its controls.
  void Restore();

  QPointer<QWebEngineView> view_;
  QPointer<QWidget> window_;
  std::function<void()> leave_;
  QRect window_geometry_;
  Qt::WindowStates window_states_;
  std::vector<Moved> chain_;               // the view and its containers up to the window
  std::vector<QPointer<QWidget>> hidden_;  // the window's other controls we hid
  QPointer<QShortcut> escape_;
  bool restored_ = false;
};

}  // namespace lumora::qtview
