// A button drawn entirely from pictures: normal, under the pointer, held down, disabled.
#pragma once

#include <QAbstractButton>
#include <QPixmap>
#include <functional>

namespace lumora::qtview {

class PictureButton : public QAbstractButton {
 public:
  enum class Face { Normal, Hover, Pressed, Disabled };

  explicit PictureButton(QWidget* parent);
  void SetFace(Face face, const QPixmap& picture);
  // The face drawn now; a state without its own picture falls back to the normal one.
  Face CurrentFace() const;

  // What a screen reader announces: the tooltip where there is one, else `name()`, read at
  // each announcement so that a change of language is heard at once. A tab is announced as
  // a page tab rather than a button.
  void SetSpokenName(std::function<QString()> name, bool tab);
  QString SpokenName() const;
  bool IsTab() const { return tab_; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  QSize sizeHint() const override;

 private:
  const QPixmap& Picture(Face face) const;
  QPixmap pictures_[4];
  std::function<QString()> spoken_name_;
  bool tab_ = false;
};

// Lets assistive technology see picture buttons as buttons or tabs with their spoken names
// and a press action. Installed once by the first picture button.
void InstallPictureButtonAccess();

}  // namespace lumora::qtview
