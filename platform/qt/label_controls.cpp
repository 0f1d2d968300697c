// Picture boxes, transparent labels and the status bar: QLabels that show a picture or a
// text. Texts are shown as plain text; they come from pages of the service and from
// language files, and are never markup.
#include <QApplication>
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
    WatchPresses(label_);
  }
  QWidget* Widget() const override { return label_; }

 protected:
  void Apply(Prop prop, const Value& value) override {
    if (!label_) return;
    switch (prop) {
      case Prop::Text:
        label_->setText(ToQString(AsText(value)));
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
      case Prop::FontPixels: {
        QFont font = QApplication::font(label_);
        if (AsInt(value) > 0) font.setPixelSize(AsInt(value));
        label_->setFont(font);
        break;
      }
      default:
        break;
    }
  }

 private:
  QPointer<QLabel> label_;
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
