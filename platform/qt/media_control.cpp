#include "platform/qt/media_control.h"

#include <QWebEnginePage>
#include <QWebEngineScript>

#include "platform/qt/media_script.h"
#include "platform/qt/mpris_service.h"
#include "platform/system/dbus_library.h"

namespace lumora::qtview {

namespace {
// Often enough for the desktop's play button to follow the page; cheap for the page.
constexpr int kPollMs = 500;
// Soon after a command, so its effect shows without waiting for the next poll.
constexpr int kAfterCommandMs = 60;
constexpr int kQueryGiveUpMs = 3000;
}  // namespace

MediaControl::MediaControl(QWebEnginePage* page, Hooks hooks) : page_(page), asking_(0) {
  MprisService::Hooks service_hooks;
  service_hooks.raise = std::move(hooks.raise);
  service_hooks.quit = std::move(hooks.quit);
  service_hooks.identity = std::move(hooks.identity);
  service_hooks.command = [this](MediaCommand command, double seconds) {
    if (!page_) return;
    page_->runJavaScript(MediaCommandScript(command, seconds), QWebEngineScript::ApplicationWorld);
    QTimer::singleShot(kAfterCommandMs, this, [this] { Poll(); });
  };
  service_ = std::make_unique<MprisService>(QString::fromStdString(dbus::SessionBusAddress()),
                                            std::move(service_hooks));
  // Without a bus nobody could ask: the page is left alone.
  if (!service_->Active()) return;
  connect(&poll_, &QTimer::timeout, this, &MediaControl::Poll);
  poll_.start(kPollMs);
  if (page_) {
    connect(page_, &QWebEnginePage::titleChanged, this, [this] { Poll(); });
    connect(page_, &QWebEnginePage::loadFinished, this, [this] { Poll(); });
  }
}

MediaControl::~MediaControl() = default;

QString MediaControl::BusName() const {
  return service_->BusName();
}

void MediaControl::Poll() {
  // One query at a time; one whose answer never came (the page went) is given up.
  if (!page_ || !asking_.hasExpired()) return;
  asking_.setRemainingTime(kQueryGiveUpMs);
  QPointer<MediaControl> alive(this);
  page_->runJavaScript(MediaStateScript(), QWebEngineScript::ApplicationWorld,
                       [alive](const QVariant& result) {
                         if (!alive) return;
                         alive->asking_ = QDeadlineTimer(0);
                         // Anything but a text is no report of ours.
                         if (result.typeId() != QMetaType::QString) return;
                         const QString text = result.toString();
                         if (text.size() > kMediaReportLimit) return;
                         if (std::optional<MediaState> state = ParseMediaState(text.toUtf8())) {
                           alive->service_->Update(*state);
                         }
                       });
}

}  // namespace lumora::qtview
