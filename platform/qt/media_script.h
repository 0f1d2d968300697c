// What the desktop's media controls say to a page and hear back from it. The scripts run in
// the program's own isolated world, so a page sees neither them nor anything of the program;
// what they report is the page's to make up, so it is read as untrusted text: bounded, parsed
// as JSON and checked field by field, never run.
#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <optional>

namespace lumora::qtview {

enum class PlaybackStatus { Stopped, Playing, Paused };

struct MediaState {
  bool present = false;  // a media element with something to play
  PlaybackStatus status = PlaybackStatus::Stopped;
  std::int64_t position_us = 0;
  std::optional<std::int64_t> length_us;  // unknown for live streams and before metadata
  bool can_seek = false;
  double volume = 1.0;
  QString title;   // the page's title
  QString source;  // the media's address, which tells one track from the next

  bool operator==(const MediaState&) const = default;
};

enum class MediaCommand { Play, Pause, PlayPause, Stop, SeekBy, SeekTo };

// Longest report we read; a longer one is dropped whole.
inline constexpr int kMediaReportLimit = 8192;
inline constexpr int kMediaTitleLimit = 512;
inline constexpr int kMediaSourceLimit = 2048;

// The script that answers with the page's media state as a JSON text.
QString MediaStateScript();
// The script that carries out a command; `seconds` is the offset (SeekBy) or the position
// (SeekTo), ignored otherwise. Only the number, written by us, goes into the script text.
QString MediaCommandScript(MediaCommand command, double seconds = 0);
// Reads a report of MediaStateScript; nullopt when it is not one (too long, not JSON, wrong
// types). Out-of-range numbers are clamped, text is cut and stripped of control characters.
std::optional<MediaState> ParseMediaState(const QByteArray& report);

}  // namespace lumora::qtview
