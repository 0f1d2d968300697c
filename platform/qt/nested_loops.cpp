#include "platform/qt/nested_loops.h"

#include <QEventLoop>
#include <QTimer>
#include <algorithm>

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

}  // namespace lumora::qtview
