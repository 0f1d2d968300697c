// When the memory timer's trim is worth its cost.
#pragma once

namespace lumora {

// The process's anonymous resident memory in KiB (resident less file-backed and shared
// pages, /proc/self/statm), or -1 when it cannot be read.
long AnonymousResidentKib();

// malloc_trim walks every free chunk of every arena, and the browser engine's threads keep
// a dozen arenas: at five trims a second that walk was most of an idle program's CPU. Only
// memory used since the last trim can be new to give back, so a trim is due when the
// anonymous resident memory grew since the last one; memory freed without new use leaves
// that figure alone, so a trim also runs after kAtLeastEvery calls in any case.
class TrimSchedule {
 public:
  static constexpr int kAtLeastEvery = 25;  // 5 s at the main window's 200 ms

  // anon_kib: AnonymousResidentKib() now; unknown (-1) always trims.
  bool Due(long anon_kib);
  // After a trim, with the figure it left.
  void Trimmed(long anon_kib);

 private:
  long after_last_ = -1;
  int skipped_ = 0;
};

}  // namespace lumora
