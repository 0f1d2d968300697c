#include "updater/program/update_window.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QMetaObject>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <cstdio>

namespace lumora::update {
namespace {

QString FromUtf8(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The progress bar counts in thousandths: byte counts do not fit its int range.
constexpr int kProgressSteps = 1000;

}  // namespace

// Hands the worker's reports to the window's thread. A report that arrives after the window
// is gone is dropped.
class UpdateWindow::Relay : public FlowObserver {
 public:
  explicit Relay(UpdateWindow* window) : window_(window) {}
  void OnPhase(Phase phase, const std::string& version) override {
    Post([phase, version](UpdateWindow& w) { w.ShowPhase(phase, version); });
  }
  void OnDownload(std::uint64_t done, std::uint64_t total) override {
    Post([done, total](UpdateWindow& w) { w.ShowDownload(done, total); });
  }
  void OnCancellable(bool cancellable) override {
    Post([cancellable](UpdateWindow& w) { w.SetCancellable(cancellable); });
  }
  template <typename F>
  void Post(F f) {
    QPointer<UpdateWindow> window(window_);
    QMetaObject::invokeMethod(
        window_,
        [window, f] {
          if (window) f(*window);
        },
        Qt::QueuedConnection);
  }

 private:
  UpdateWindow* window_;
};

UpdateWindow::UpdateWindow(FlowSettings settings, int language,
                           std::chrono::milliseconds close_after)
    : settings_(std::move(settings)),
      language_(language),
      close_after_(close_after),
      relay_(std::make_unique<Relay>(this)) {
  setObjectName("UpdateWindow");
  setWindowTitle(Tr(Text::kTitle));
  const QIcon icon(QString::fromStdString((settings_.app / "Icon" / "AdvertLOGO.ico").string()));
  setWindowIcon(icon);

  auto* picture = new QLabel(this);
  picture->setObjectName("icon");
  if (!icon.isNull()) picture->setPixmap(icon.pixmap(48, 48));
  status_ = new QLabel(Tr(Text::kChecking), this);
  status_->setObjectName("status");
  status_->setWordWrap(true);
  status_->setMinimumWidth(320);
  progress_ = new QProgressBar(this);
  progress_->setObjectName("progress");
  progress_->setRange(0, kProgressSteps);
  progress_->setValue(0);
  progress_->setTextVisible(false);
  progress_->hide();
  detail_ = new QLabel(this);
  detail_->setObjectName("detail");
  detail_->hide();
  button_ = new QPushButton(Tr(Text::kCancel), this);
  button_->setObjectName("button");
  connect(button_, &QPushButton::clicked, this, [this] { OnButton(); });

  auto* text_column = new QVBoxLayout;
  text_column->addWidget(status_);
  text_column->addWidget(progress_);
  text_column->addWidget(detail_);
  text_column->addStretch();
  auto* top = new QHBoxLayout;
  top->addWidget(picture, 0, Qt::AlignTop);
  top->addLayout(text_column, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(button_);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addLayout(buttons);
}

UpdateWindow::~UpdateWindow() {
  cancel_ = true;
  if (worker_.joinable()) worker_.join();
}

QString UpdateWindow::Tr(Text text) const {
  return FromUtf8(TextFor(text, language_));
}

void UpdateWindow::Start() {
  if (worker_.joinable()) return;
  worker_ = std::thread([this] {
    const FlowResult result = RunUpdate(settings_, *relay_, cancel_);
    relay_->Post([result](UpdateWindow& w) { w.ShowResult(result); });
  });
}

void UpdateWindow::ShowPhase(Phase phase, const std::string& version) {
  switch (phase) {
    case Phase::kChecking:
      status_->setText(Tr(Text::kChecking));
      break;
    case Phase::kDownloading:
      status_->setText(FromUtf8(Fill(TextFor(Text::kDownloading, language_), version)));
      progress_->show();
      detail_->show();
      break;
    case Phase::kInstalling:
      status_->setText(Tr(Text::kInstalling));
      progress_->setRange(0, 0);  // busy: unpacking reports no fraction
      break;
    case Phase::kStarting:
      status_->setText(Tr(Text::kStarting));
      break;
  }
}

void UpdateWindow::ShowDownload(std::uint64_t done, std::uint64_t total) {
  meter_.Add(done, total, ProgressMeter::Clock::now());
  if (total > 0) {
    progress_->setValue(static_cast<int>(static_cast<double>(done) / static_cast<double>(total) *
                                         kProgressSteps));
  }
  const auto speed = meter_.Speed();
  detail_->setText(FromUtf8(Fill(TextFor(Text::kProgress, language_),
                                 ByteText(static_cast<double>(done)),
                                 ByteText(static_cast<double>(total)),
                                 speed ? ByteText(*speed) : std::string("—"),
                                 DurationText(meter_.TimeLeft()))));
}

void UpdateWindow::SetCancellable(bool cancellable) {
  cancellable_ = cancellable;
  if (!finished_ && !cancel_) button_->setEnabled(cancellable);
}

void UpdateWindow::ShowResult(const FlowResult& result) {
  if (worker_.joinable()) worker_.join();
  finished_ = true;
  succeeded_ = result.success;
  const std::string sentence = Fill(TextFor(result.message, language_), result.version);
  status_->setText(FromUtf8(sentence));
  progress_->setRange(0, kProgressSteps);
  if (result.success && progress_->isVisible()) progress_->setValue(kProgressSteps);
  button_->setText(Tr(Text::kClose));
  button_->setEnabled(true);
  // One line each, for whoever started us from a terminal or a test.
  std::printf("update-result %s: %s\n", result.code.c_str(), sentence.c_str());
  std::fflush(stdout);
  if (!result.detail.empty()) std::fprintf(stderr, "Update: %s\n", result.detail.c_str());
  if (close_when_done_) {
    close();
  } else if (result.success) {
    QTimer::singleShot(close_after_, this, [this] { close(); });
  }
}

void UpdateWindow::OnButton() {
  if (finished_) {
    close();
    return;
  }
  if (!cancellable_) return;
  cancel_ = true;
  button_->setEnabled(false);
  status_->setText(Tr(Text::kCancelling));
}

void UpdateWindow::closeEvent(QCloseEvent* event) {
  if (finished_ || !worker_.joinable()) {
    event->accept();
    return;
  }
  // Closing asks for a cancel; the window goes once the worker has stopped. Past the point of
  // no return the install finishes first.
  event->ignore();
  close_when_done_ = true;
  if (cancellable_ && !cancel_) OnButton();
}

}  // namespace lumora::update
