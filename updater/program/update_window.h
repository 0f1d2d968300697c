// The updater's one window: icon, status line, progress with bytes, speed and time left, and
// one button (Cancel while the update can still be stopped, Close at the end). The update runs
// on a worker thread; what it reports is posted to this window's thread.
#pragma once

#include <QWidget>
#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

#include "updater/program/flow.h"
#include "updater/program/progress_meter.h"

class QLabel;
class QProgressBar;
class QPushButton;

namespace lumora::update {

class UpdateWindow : public QWidget {
 public:
  // `close_after`: how long a success stays on screen before the window closes itself.
  UpdateWindow(FlowSettings settings, int language, std::chrono::milliseconds close_after);
  ~UpdateWindow() override;

  // Starts the update on its worker thread.
  void Start();
  bool Finished() const { return finished_; }
  bool Succeeded() const { return succeeded_; }

  // What the worker reports, on this window's thread; public for tests of the window alone.
  void ShowPhase(Phase phase, const std::string& version);
  void ShowDownload(std::uint64_t done, std::uint64_t total);
  void SetCancellable(bool cancellable);
  void ShowResult(const FlowResult& result);

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  class Relay;
  QString Tr(Text text) const;
  void OnButton();

  FlowSettings settings_;
  int language_;
  std::chrono::milliseconds close_after_;
  QLabel* status_ = nullptr;
  QProgressBar* progress_ = nullptr;
  QLabel* detail_ = nullptr;
  QPushButton* button_ = nullptr;
  ProgressMeter meter_;
  std::atomic<bool> cancel_{false};
  bool cancellable_ = true;
  bool finished_ = false;
  bool succeeded_ = false;
  bool close_when_done_ = false;
  std::unique_ptr<Relay> relay_;
  std::thread worker_;
};

}  // namespace lumora::update
