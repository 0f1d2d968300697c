// Picture boxes, transparent labels and the status bar: QLabels that show a picture or a
// text. Texts are shown as plain text; they come from pages of the service and from
// language files, and are never markup.
#include <QApplication>
#include <QEvent>
#include <QFontInfo>
#include <QFontMetrics>
#include <QLabel>
#include <QPointer>

#include "platform/qt/control_view.h"
#include "platform/qt/qt_convert.h"

namespace lumora::qtview {

namespace {

class PictureBoxView final : public ControlView {
 public:
  explicit PictureBoxView(ControlContext context)
      : ControlView(std::move(context)), label_(new QLabel(Context().parent)) {
    label_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    WatchPresses(label_);
  }
  QWidget* Widget() const override { return label_; }

 protected:
  void Apply(Prop prop, const Value& value) override {
    if (prop == Prop::Picture && label_) ShowPicture(label_, AsBytes(value));
  }

 private:
  QPointer<QLabel> label_;
};

class TransparentLabelView final : public ControlView {
 public:
  explicit TransparentLabelView(ControlContext context)
      : ControlView(std::move(context)), label_(new QLabel(Context().parent)) {
    label_->setTextFormat(Qt::PlainText);
    label_->setAutoFillBackground(false);
    label_->setAttribute(Qt::WA_TranslucentBackground);
    label_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    font_ = label_->font();
    WatchPresses(label_);
  }
  QWidget* Widget() const override { return label_; }

 protected:
  void Apply(Prop prop, const Value& value) override {
    if (!label_) return;
    switch (prop) {
      case Prop::Text:
        label_->setText(ToQString(AsText(value)));
        Fit();
        break;
      case Prop::TextColor: {
        QPalette palette = label_->palette();
        const QColor color = ColorFromRgb(AsInt(value));
        palette.setColor(
            QPalette::WindowText,
            color.isValid() ? color : QApplication::palette(label_).windowText().color());
        label_->setPalette(palette);
        break;
      }
      case Prop::FontPixels:
        font_ = QApplication::font(label_);
        if (AsInt(value) > 0) font_.setPixelSize(AsInt(value));
        Fit();
        break;
      default:
        break;
    }
  }

  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == label_ && event->type() == QEvent::Resize) Fit();
    return ControlView::eventFilter(watched, event);
  }

 private:
  // The boxes were laid out for the narrower fonts of the old desktop, and texts from the
  // service can be of any length. A box with room for two lines wraps its text; a one-line
  // box too narrow for its text takes a smaller font, down to one that still reads well.
  void Fit() {
    if (!label_) return;
    QFont font = font_;
    const bool wraps = label_->height() >= 2 * QFontMetrics(font).lineSpacing();
    label_->setWordWrap(wraps);
    if (!wraps) {
      constexpr int kSmallestPixels = 10;
      const QString text = label_->text();
      for (int pixels = QFontInfo(font).pixelSize();
           pixels > kSmallestPixels &&
           QFontMetrics(font).horizontalAdvance(text) > label_->width();) {
        font.setPixelSize(--pixels);
      }
    }
    if (label_->font() != font) label_->setFont(font);
  }

  QPointer<QLabel> label_;
  QFont font_;  // the model's font; the one shown may be smaller, to fit
};

class StatusBarView final : public ControlView {
 public:
  explicit StatusBarView(ControlContext context)
      : ControlView(std::move(context)), label_(new QLabel(Context().parent)) {
    label_->setTextFormat(Qt::PlainText);
    label_->setFrameShape(QFrame::Panel);
    label_->setFrameShadow(QFrame::Sunken);
    label_->setAutoFillBackground(true);
    label_->setIndent(3);
    WatchPresses(label_);
  }
  QWidget* Widget() const override { return label_; }
  void SetStatusText(const QString& text) override {
    if (label_) label_->setText(text);
  }

 protected:
  void Apply(Prop prop, const Value& value) override {
    if (prop == Prop::Text) SetStatusText(ToQString(AsText(value)));
  }

 private:
  QPointer<QLabel> label_;
};

}  // namespace

ControlView* NewPictureBox(ControlContext context) {
  return new PictureBoxView(std::move(context));
}
ControlView* NewTransparentLabel(ControlContext context) {
  return new TransparentLabelView(std::move(context));
}
ControlView* NewStatusBar(ControlContext context) {
  return new StatusBarView(std::move(context));
}

}  // namespace lumora::qtview
