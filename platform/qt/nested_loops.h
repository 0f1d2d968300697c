// The stack of nested event loops behind RunLoopUntil: Delay, modal windows and the
// program's own message loop. Each loop ends on its own; none ends the others.
#pragma once

#include <functional>
#include <optional>
#include <vector>

class QEventLoop;

namespace lumora::qtview {

class NestedLoops {
 public:
  void Run(const std::function<bool()>& done, std::optional<int> timeout_ms);
  // Ends every running loop whose condition now holds; inner loops that still wait keep
  // running, and the outer ones return when those have.
  void Wake();
  int Depth() const { return static_cast<int>(stack_.size()); }
  // Ends the loops that the toolkit runs by itself: open popup menus and dialogs (message
  // boxes), innermost first. For the program's end, which no such loop may outlive.
  static void EndMenusAndDialogs();
  // Runs `work` on a thread of its own and, until it has finished, a loop that paints, lays
  // out and answers the window system but leaves the user's input queued for the next loop.
  static void RunBlocking(const std::function<void()>& work);

 private:
  struct Entry {
    QEventLoop* loop;
    const std::function<bool()>* done;
  };
  std::vector<Entry> stack_;
};

}  // namespace lumora::qtview
