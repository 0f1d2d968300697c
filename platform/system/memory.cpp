#include "platform/system/memory.h"

#include <fcntl.h>
#include <malloc.h>
#include <unistd.h>

#include <charconv>

#include "platform/system/linux_system.h"

namespace lumora {

long AnonymousResidentKib() {
  const int fd = ::open("/proc/self/statm", O_RDONLY | O_CLOEXEC);
  if (fd < 0) return -1;
  char text[128];
  const ssize_t got = ::read(fd, text, sizeof text - 1);
  ::close(fd);
  if (got <= 0) return -1;
  // size resident shared text lib data dt, in pages
  long fields[3] = {};
  const char* at = text;
  const char* end = text + got;
  for (long& field : fields) {
    while (at < end && *at == ' ') ++at;
    const auto [next, error] = std::from_chars(at, end, field);
    if (error != std::errc()) return -1;
    at = next;
  }
  if (fields[2] > fields[1]) return -1;
  return (fields[1] - fields[2]) * (::sysconf(_SC_PAGESIZE) / 1024);
}

bool TrimSchedule::Due(long anon_kib) {
  if (anon_kib < 0 || after_last_ < 0 || anon_kib > after_last_) return true;
  return ++skipped_ >= kAtLeastEvery;
}

void TrimSchedule::Trimmed(long anon_kib) {
  after_last_ = anon_kib;
  skipped_ = 0;
}

void LinuxSystem::TrimWorkingSet() {
  // The closest Linux analogue of emptying the working set: return free heap pages.
  if (!trim_schedule_.Due(AnonymousResidentKib())) return;
  malloc_trim(0);
  trim_schedule_.Trimmed(AnonymousResidentKib());
}

}  // namespace lumora
