#include "platform/qt/nested_loops.h"

#include <QApplication>
#include <QDialog>
#include <QEventLoop>
#include <QPointer>
#include <QTimer>
#include <algorithm>

#include "platform/ui_wait.h"

namespace lumora::qtview {

void NestedLoops::Run(const std::function<bool()>& done, std::optional<int> timeout_ms) {
  if (done()) return;
  QEventLoop loop;
  QTimer deadline;
  if (timeout_ms) {
    deadline.setSingleShot(true);
    deadline.setTimerType(Qt::PreciseTimer);
    QObject::connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
    deadline.start(std::max(0, *timeout_ms));
  }
  stack_.push_back(Entry{&loop, &done});
  // Loops nest strictly, so this loop's entry is the last one when exec returns; the guard
  // keeps the stack right should anything unwind through here.
  struct Pop {
    std::vector<Entry>& stack;
    ~Pop() { stack.pop_back(); }
  } pop{stack_};
  loop.exec();
}

void NestedLoops::Wake() {
  for (const Entry& entry : stack_) {
    if ((*entry.done)()) entry.loop->exit();
  }
}

void NestedLoops::RunBlocking(const std::function<void()>& work) {
  QEventLoop loop;
  // Input stays queued: a click or a key waits for the handler as it would on a frozen thread,
  // and reaches whatever is under it then. Timers and posted events still run, and the program
  // holds every event they raise for it.
  RunBeside(
      work, [&loop] { loop.exec(QEventLoop::ExcludeUserInputEvents); },
      // Queued to the loop's thread; delivered inside exec even when posted before it began.
      [&loop] { QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection); });
}

void NestedLoops::EndMenusAndDialogs() {
  // Each close takes one popup off the toolkit's stack; the bound only guards against a
  // popup that refuses to close.
  for (int i = 0; i < 64; ++i) {
    QWidget* popup = QApplication::activePopupWidget();
    if (popup == nullptr) break;
    popup->close();
  }
  std::vector<QPointer<QDialog>> dialogs;
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    if (auto* dialog = qobject_cast<QDialog*>(widget); dialog != nullptr && dialog->isVisible()) {
      dialogs.emplace_back(dialog);
    }
  }
  for (const QPointer<QDialog>& dialog : dialogs) {
    if (dialog) dialog->done(QDialog::Rejected);
  }
}

}  // namespace lumora::qtview
