#include "platform/qt/graphic_button.h"

#include <QKeyEvent>
#include <QPainter>
#include <QPen>
#include <QPointer>

#include "platform/qt/control_view.h"
#include "platform/qt/qt_convert.h"

namespace lumora::qtview {

PictureButton::PictureButton(QWidget* parent) : QAbstractButton(parent) {
  InstallPictureButtonAccess();
  setAttribute(Qt::WA_Hover);  // repaint when the pointer comes and goes
  // Reached with Tab, never taken by a click: a click on a caption button must leave the
  // keys with the page the user is typing into.
  setFocusPolicy(Qt::TabFocus);
}

void PictureButton::SetSpokenName(std::function<QString()> name, bool tab) {
  spoken_name_ = std::move(name);
  tab_ = tab;
}

QString PictureButton::SpokenName() const {
  if (!toolTip().isEmpty()) return toolTip();
  return spoken_name_ ? spoken_name_() : QString();
}

void PictureButton::keyPressEvent(QKeyEvent* event) {
  // Space is the toolkit's own (pressed on the key going down, clicked on its release);
  // Enter clicks at once. A held key clicks once, as a held mouse button does.
  const int key = event->key();
  if (key == Qt::Key_Return || key == Qt::Key_Enter) {
    if (!event->isAutoRepeat()) click();
    event->accept();
    return;
  }
  QAbstractButton::keyPressEvent(event);
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
  QPainter painter(this);
  const QPixmap& picture = Picture(CurrentFace());
  if (!picture.isNull()) painter.drawPixmap(0, 0, picture);
  if (!hasFocus()) return;
  // The skins are dark and light in places: a frame of dark and light dashes shows on both.
  const QRect frame = rect().adjusted(0, 0, -1, -1);
  painter.setPen(QPen(QColor(0, 0, 0), 1));
  painter.drawRect(frame);
  painter.setPen(QPen(QColor(255, 255, 255), 1, Qt::DashLine));
  painter.drawRect(frame);
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
    const SpokenName spoken = Context().spoken_name ? Context().spoken_name() : SpokenName{};
    button_->SetSpokenName(
        [spoken_name = Context().spoken_name] {
          return spoken_name ? ToQString(spoken_name().text) : QString();
        },
        spoken.tab);
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
