// Picture buttons as assistive technology sees them. The toolkit's own button interface
// would announce the empty caption; this one announces the spoken name, as a button or a
// page tab, and presses the button exactly as a click does.
#include <QAccessible>
#include <QAccessibleWidget>

#include "platform/qt/graphic_button.h"

namespace lumora::qtview {

namespace {

class PictureButtonAccess final : public QAccessibleWidget {
 public:
  explicit PictureButtonAccess(PictureButton* button)
      : QAccessibleWidget(button, button->IsTab() ? QAccessible::PageTab : QAccessible::Button) {}

  QString text(QAccessible::Text kind) const override {
    if (kind == QAccessible::Name) {
      const QString own = widget()->accessibleName();
      return own.isEmpty() ? Button()->SpokenName() : own;
    }
    return QAccessibleWidget::text(kind);
  }

  QAccessible::State state() const override {
    QAccessible::State state = QAccessibleWidget::state();
    state.pressed = Button()->isDown();
    return state;
  }

  QStringList actionNames() const override {
    QStringList names = QAccessibleWidget::actionNames();
    if (widget()->isEnabled()) names.prepend(pressAction());
    return names;
  }

  void doAction(const QString& action) override {
    if (action == pressAction()) {
      if (widget()->isEnabled()) Button()->click();  // does nothing while disabled
      return;
    }
    QAccessibleWidget::doAction(action);
  }

  QStringList keyBindingsForAction(const QString& action) const override {
    if (action == pressAction()) return {QStringLiteral("Space"), QStringLiteral("Return")};
    return QAccessibleWidget::keyBindingsForAction(action);
  }

 private:
  PictureButton* Button() const { return static_cast<PictureButton*>(widget()); }
};

// PictureButton has no meta-object of its own, so the toolkit asks for "QAbstractButton";
// every other button keeps the toolkit's interface.
QAccessibleInterface* PictureButtonFactory(const QString& class_name, QObject* object) {
  if (class_name != QLatin1String("QAbstractButton")) return nullptr;
  auto* button = dynamic_cast<PictureButton*>(object);
  return button != nullptr ? new PictureButtonAccess(button) : nullptr;
}

}  // namespace

void InstallPictureButtonAccess() {
  static const bool installed = [] {
    QAccessible::installFactory(&PictureButtonFactory);
    return true;
  }();
  (void)installed;
}

}  // namespace lumora::qtview
