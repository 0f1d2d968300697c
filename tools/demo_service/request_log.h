#pragma once

#include <cstdio>
#include <mutex>
#include <string>
#include <string_view>

namespace lumora::demo {

// One line per event, "<unix seconds>.<ms> <method> <target>", flushed at once so a test or an
// operator tailing the file sees a request as soon as it has arrived.
class RequestLog {
 public:
  RequestLog() = default;  // discards everything
  explicit RequestLog(std::FILE* sink) : sink_(sink) {}
  RequestLog(const RequestLog&) = delete;
  RequestLog& operator=(const RequestLog&) = delete;

  void Write(std::string_view method, std::string_view target);

 private:
  std::FILE* sink_ = nullptr;
  std::mutex mutex_;
};

// Keeps a line a line: a request target is attacker-shaped text, so control bytes, blanks and
// overlong tails must not forge or split entries.
std::string SanitizeForLog(std::string_view text);

}  // namespace lumora::demo
