#include "platform/qt/qt_convert.h"

#include <QBuffer>
#include <QByteArray>
#include <QImageReader>
#include <QLabel>
#include <QMovie>

namespace lumora::qtview {

namespace {
QByteArray ToByteArray(const Bytes& bytes) {
  return QByteArray(reinterpret_cast<const char*>(bytes.data()),
                    static_cast<qsizetype>(bytes.size()));
}
}  // namespace

QPixmap PixmapFromBytes(const Bytes& bytes) {
  QPixmap pixmap;
  if (!bytes.empty()) pixmap.loadFromData(ToByteArray(bytes));
  return pixmap;
}

QIcon IconFromBytes(const Bytes& bytes) {
  QIcon icon;
  if (bytes.empty()) return icon;
  QBuffer buffer;
  buffer.setData(ToByteArray(bytes));
  buffer.open(QIODevice::ReadOnly);
  QImageReader reader(&buffer);
  // Bounded: a damaged file must not keep the reader going round.
  constexpr int kMaxPictures = 16;
  for (int i = 0; i < kMaxPictures; ++i) {
    const QImage image = reader.read();
    if (image.isNull()) break;
    icon.addPixmap(QPixmap::fromImage(image));
    if (!reader.jumpToNextImage()) break;
  }
  return icon;
}

QColor ColorFromRgb(int rgb) {
  if (rgb < 0 || rgb > 0xFFFFFF) return {};
  return QColor((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
}

void ShowPicture(QLabel* label, const Bytes& bytes) {
  QMovie* old_movie = label->movie();
  label->clear();
  delete old_movie;  // ours: parented to the label below

  auto* buffer = new QBuffer;
  buffer->setData(ToByteArray(bytes));
  buffer->open(QIODevice::ReadOnly);
  QImageReader probe(buffer);
  const bool animated = probe.supportsAnimation() && probe.imageCount() > 1;
  buffer->seek(0);
  if (animated) {
    auto* movie = new QMovie(buffer, QByteArray(), label);
    buffer->setParent(movie);
    label->setMovie(movie);
    movie->start();
    return;
  }
  delete buffer;
  const QPixmap pixmap = PixmapFromBytes(bytes);
  if (!pixmap.isNull()) label->setPixmap(pixmap);
}

}  // namespace lumora::qtview
