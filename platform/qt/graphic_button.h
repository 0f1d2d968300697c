// A button drawn entirely from pictures: normal, under the pointer, held down, disabled.
#pragma once

#include <QAbstractButton>
#include <QPixmap>

namespace lumora::qtview {

class PictureButton : public QAbstractButton {
 public:
  enum class Face { Normal, Hover, Pressed, Disabled };

  explicit PictureButton(QWidget* parent);
  void SetFace(Face face, const QPixmap& picture);
  // The face drawn now; a state without its own picture falls back to the normal one.
  Face CurrentFace() const;

 protected:
  void paintEvent(QPaintEvent* event) override;
  QSize sizeHint() const override;

 private:
  const QPixmap& Picture(Face face) const;
  QPixmap pictures_[4];
};

}  // namespace lumora::qtview
