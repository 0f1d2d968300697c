// The desktop's media controls for one browser: while this lives, the bus service answers for
// the page's media, commands go to the page and the page's state is read back on a timer.
#pragma once

#include <QDeadlineTimer>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <functional>
#include <memory>

class QWebEnginePage;

namespace lumora::qtview {

class MprisService;

class MediaControl final : public QObject {
 public:
  struct Hooks {
    std::function<void()> raise;
    std::function<void()> quit;
    std::function<QString()> identity;  // the name the desktop shows for the player
  };
  MediaControl(QWebEnginePage* page, Hooks hooks);
  ~MediaControl() override;
  MediaControl(const MediaControl&) = delete;
  MediaControl& operator=(const MediaControl&) = delete;

  // The bus name held; empty without a session bus.
  QString BusName() const;

 private:
  void Poll();

  QPointer<QWebEnginePage> page_;
  std::unique_ptr<MprisService> service_;
  QTimer poll_;
  QDeadlineTimer asking_;  // running while a state query is under way; starts expired
};

}  // namespace lumora::qtview
