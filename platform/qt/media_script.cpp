#include "platform/qt/media_script.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <cmath>

namespace lumora::qtview {

namespace {

// Opens every script (each one function, so nothing is declared twice in the world): finds
// the media element the controls act on. The state lives on
// the isolated world's own global, which a new document replaces.
constexpr char kPrelude[] = R"JS(
(() => {
const lumoraMedia = (() => {
  let s = window.__lumoraMedia;
  if (!s) {
    s = window.__lumoraMedia = {last: null, stopped: false};
    for (const type of ['play', 'playing', 'pause', 'ended', 'loadedmetadata', 'seeked']) {
      document.addEventListener(type, (e) => {
        if (!(e.target instanceof HTMLMediaElement)) return;
        s.last = e.target;
        if (type === 'play' || type === 'playing') s.stopped = false;
      }, true);
    }
  }
  const all = Array.from(document.querySelectorAll('video, audio'));
  for (const frame of document.querySelectorAll('iframe')) {
    try {
      const d = frame.contentDocument;
      if (d) all.push(...d.querySelectorAll('video, audio'));
    } catch (e) {}
  }
  const playing = all.find((m) => !m.paused && !m.ended);
  const element = playing || (s.last && s.last.isConnected ? s.last : null) ||
      all.find((m) => m.currentSrc || m.src) || null;
  return {s, element};
})();
)JS";

constexpr char kState[] = R"JS(
  const m = lumoraMedia.element;
  const cut = (t, n) => String(t || '').slice(0, n);
  if (!m) return JSON.stringify({present: false, title: cut(document.title, %1)});
  const finite = (x) => Number.isFinite(x) ? x : null;
  const status = m.ended || (m.paused && lumoraMedia.s.stopped) ? 'Stopped'
      : m.paused ? 'Paused' : 'Playing';
  return JSON.stringify({
    present: true, status,
    position: finite(m.currentTime), duration: finite(m.duration),
    seekable: m.seekable.length > 0 && Number.isFinite(m.duration),
    volume: finite(m.volume), title: cut(document.title, %1), source: cut(m.currentSrc, %2),
  });
})()
)JS";

QString Clean(const QJsonValue& value, int limit) {
  QString text = value.toString().left(limit);
  text.removeIf([](QChar c) { return c.category() == QChar::Other_Control; });
  return text.trimmed();
}

// Seconds to microseconds for a time a page reports; nullopt for what is no time.
std::optional<std::int64_t> Microseconds(const QJsonValue& value) {
  if (!value.isDouble()) return std::nullopt;
  const double seconds = value.toDouble();
  // Ten years is past any real media; beyond it the number is noise.
  constexpr double kLongest = 10.0 * 365 * 24 * 3600;
  if (!std::isfinite(seconds) || seconds < 0) return std::nullopt;
  return static_cast<std::int64_t>(std::min(seconds, kLongest) * 1e6);
}

}  // namespace

QString MediaStateScript() {
  return QString::fromLatin1(kPrelude) +
         QString::fromLatin1(kState).arg(kMediaTitleLimit).arg(kMediaSourceLimit);
}

QString MediaCommandScript(MediaCommand command, double seconds) {
  if (!std::isfinite(seconds)) seconds = 0;
  const QString number = QString::number(seconds, 'f', 6);
  QString action;
  switch (command) {
    case MediaCommand::Play:
      action = QStringLiteral("play()");
      break;
    case MediaCommand::Pause:
      action = QStringLiteral("m.pause()");
      break;
    case MediaCommand::PlayPause:
      action = QStringLiteral("(m.paused || m.ended) ? play() : m.pause()");
      break;
    case MediaCommand::Stop:
      action = QStringLiteral("(m.pause(), lumoraMedia.s.stopped = true, m.currentTime = 0)");
      break;
    case MediaCommand::SeekBy:
      action = QStringLiteral("seek(m.currentTime + %1)").arg(number);
      break;
    case MediaCommand::SeekTo:
      action = QStringLiteral("seek(%1)").arg(number);
      break;
  }
  return QString::fromLatin1(kPrelude) +
         QStringLiteral(
             "  const m = lumoraMedia.element; if (!m) return false;\n"
             "  const play = () => { lumoraMedia.s.stopped = false; const p = m.play();"
             " if (p) p.catch(() => {}); };\n"
             "  const seek = (t) => { if (Number.isFinite(m.duration) && Number.isFinite(t))"
             " m.currentTime = Math.max(0, Math.min(m.duration, t)); };\n"
             "  %1; return true;\n})()")
             .arg(action);
}

std::optional<MediaState> ParseMediaState(const QByteArray& report) {
  if (report.size() > kMediaReportLimit) return std::nullopt;
  QJsonParseError error;
  const QJsonDocument document = QJsonDocument::fromJson(report, &error);
  if (error.error != QJsonParseError::NoError || !document.isObject()) return std::nullopt;
  const QJsonObject object = document.object();
  if (!object.value(QLatin1String("present")).isBool()) return std::nullopt;

  MediaState state;
  state.title = Clean(object.value(QLatin1String("title")), kMediaTitleLimit);
  state.present = object.value(QLatin1String("present")).toBool();
  if (!state.present) return state;
  const QString status = object.value(QLatin1String("status")).toString();
  if (status == QLatin1String("Playing")) {
    state.status = PlaybackStatus::Playing;
  } else if (status == QLatin1String("Paused")) {
    state.status = PlaybackStatus::Paused;
  } else if (status == QLatin1String("Stopped")) {
    state.status = PlaybackStatus::Stopped;
  } else {
    return std::nullopt;
  }
  state.length_us = Microseconds(object.value(QLatin1String("duration")));
  if (state.length_us == 0) state.length_us.reset();
  state.position_us = Microseconds(object.value(QLatin1String("position"))).value_or(0);
  if (state.length_us) state.position_us = std::min(state.position_us, *state.length_us);
  state.can_seek = object.value(QLatin1String("seekable")).toBool() && state.length_us.has_value();
  const QJsonValue volume = object.value(QLatin1String("volume"));
  state.volume = volume.isDouble() ? std::clamp(volume.toDouble(), 0.0, 1.0) : 1.0;
  state.source = Clean(object.value(QLatin1String("source")), kMediaSourceLimit);
  return state;
}

}  // namespace lumora::qtview
