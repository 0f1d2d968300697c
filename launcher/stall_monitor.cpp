#include "launcher/stall_monitor.h"

#include <chrono>
#include <cstdlib>

#include "platform/ui_turn.h"

namespace lumora {

namespace {
constexpr std::chrono::milliseconds kTick{10};
// Five missed ticks: about where a user starts to notice.
constexpr std::chrono::milliseconds kReportOver{50};
}  // namespace

std::unique_ptr<StallMonitor> StallMonitor::FromEnvironment() {
  const char* setting = std::getenv("LUMORA_TRACE_STALLS");
  if (setting == nullptr || *setting == '\0') return nullptr;
  auto monitor = std::make_unique<StallMonitor>(setting);
  if (!monitor->file_) return nullptr;
  return monitor;
}

StallMonitor::StallMonitor(const char* setting)
    : file_(setting),
      log_(StallLog::Clock::now(), kReportOver),
      handlers_(StallLog::Clock::now(), kReportOver) {
  SetBusyListener([this](BusyClock::time_point from, BusyClock::time_point to) {
    handlers_.Record(StallLog::Gap{from, to});
  });
  timer_.setTimerType(Qt::PreciseTimer);
  timer_.setInterval(kTick);
  QObject::connect(&timer_, &QTimer::timeout, &timer_,
                   [this] { log_.Tick(StallLog::Clock::now()); });
  timer_.start();
}

StallMonitor::~StallMonitor() {
  timer_.stop();
  SetBusyListener(nullptr);
  file_.WriteLine(log_.Report(StallLog::Clock::now()).c_str());
  file_.WriteLine(handlers_.ReportStretches().c_str());
}

}  // namespace lumora
