// Conversions between the model's values and Qt's.
#pragma once

#include <QColor>
#include <QIcon>
#include <QPixmap>
#include <QString>
#include <string_view>

#include "platform/types.h"

class QLabel;

namespace lumora::qtview {

inline QString ToQString(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QPixmap PixmapFromBytes(const Bytes& bytes);

// Every picture in the bytes (an icon file holds one per size); a null icon when they hold
// none, so the caller can keep the icon there is.
QIcon IconFromBytes(const Bytes& bytes);

// 0xRRGGBB; anything outside that range is no colour (an invalid QColor).
QColor ColorFromRgb(int rgb);

// Shows picture bytes on a label at their own size; a GIF with several frames plays.
// Empty or unreadable bytes clear the label.
void ShowPicture(QLabel* label, const Bytes& bytes);

}  // namespace lumora::qtview
