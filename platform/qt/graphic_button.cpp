#include "platform/qt/graphic_button.h"

#include <QPainter>
#include <QPointer>

#include "platform/qt/control_view.h"
#include "platform/qt/qt_convert.h"

namespace lumora::qtview {

PictureButton::PictureButton(QWidget* parent) : QAbstractButton(parent) {
  setAttribute(Qt::WA_Hover);  // repaint when the pointer comes and goes
  setFocusPolicy(Qt::NoFocus);
}

void PictureButton::SetFace(Face face, const QPixmap& picture) {
  pictures_[static_cast<int>(face)] = picture;
  update();
}

PictureButton::Face PictureButton::CurrentFace() const {
  Face wanted = Face::Normal;
  if (!isEnabled()) {
    wanted = Face::Disabled;
  } else if (isDown()) {
    wanted = Face::Pressed;
  } else if (underMouse()) {
    wanted = Face::Hover;
  }
  return Picture(wanted).isNull() ? Face::Normal : wanted;
}

const QPixmap& PictureButton::Picture(Face face) const {
  return pictures_[static_cast<int>(face)];
}

void PictureButton::paintEvent(QPaintEvent*) {
  const QPixmap& picture = Picture(CurrentFace());
  if (picture.isNull()) return;
  QPainter painter(this);
  painter.drawPixmap(0, 0, picture);
}

QSize PictureButton::sizeHint() const {
  const QPixmap& picture = Picture(Face::Normal);
  return picture.isNull() ? QSize(16, 16) : picture.size();
}

namespace {

class GraphicButtonView final : public ControlView {
 public:
  explicit GraphicButtonView(ControlContext context)
      : ControlView(std::move(context)), button_(new PictureButton(Context().parent)) {
    WatchPresses(button_);
    // clicked comes only for a release over the button after a press on it.
    connect(button_, &QAbstractButton::clicked, this, [this] {
      EventArgs args;
      Raise(Event::Clicked, args);
    });
  }
  QWidget* Widget() const override { return button_; }

 protected:
  void Apply(Prop prop, const Value& value) override {
    if (!button_) return;
    switch (prop) {
      case Prop::NormalPicture:
        button_->SetFace(PictureButton::Face::Normal, PixmapFromBytes(AsBytes(value)));
        break;
      case Prop::HoverPicture:
        button_->SetFace(PictureButton::Face::Hover, PixmapFromBytes(AsBytes(value)));
        break;
      case Prop::PressedPicture:
        button_->SetFace(PictureButton::Face::Pressed, PixmapFromBytes(AsBytes(value)));
        break;
      case Prop::DisabledPicture:
        button_->SetFace(PictureButton::Face::Disabled, PixmapFromBytes(AsBytes(value)));
        break;
      default:
        break;
    }
  }

 private:
  QPointer<PictureButton> button_;
};

}  // namespace

ControlView* NewGraphicButton(ControlContext context) {
  return new GraphicButtonView(std::move(context));
}

}  // namespace lumora::qtview
