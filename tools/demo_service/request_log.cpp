#include "tools/demo_service/request_log.h"

#include <chrono>
#include <cinttypes>

namespace lumora::demo {

namespace {
constexpr std::size_t kMaxLoggedLength = 2048;
}

std::string SanitizeForLog(std::string_view text) {
  std::string out;
  const std::size_t kept = text.size() < kMaxLoggedLength ? text.size() : kMaxLoggedLength;
  out.reserve(kept + 3);
  for (std::size_t i = 0; i < kept; ++i) {
    const auto byte = static_cast<unsigned char>(text[i]);
    out.push_back(byte <= 0x20 || byte == 0x7f ? '?' : text[i]);
  }
  if (kept < text.size()) out.append(3, '.');  // append(n, c): GCC 12 misreads += "..." at -O2
  if (out.empty()) out.assign(1, '-');
  return out;
}

void RequestLog::Write(std::string_view method, std::string_view target) {
  if (sink_ == nullptr) return;
  const auto since_epoch = std::chrono::system_clock::now().time_since_epoch();
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(since_epoch).count();
  const std::string line_method = SanitizeForLog(method);
  const std::string line_target = SanitizeForLog(target);
  std::lock_guard lock(mutex_);
  std::fprintf(sink_, "%" PRId64 ".%03d %s %s\n", static_cast<std::int64_t>(ms / 1000),
               static_cast<int>(ms % 1000), line_method.c_str(), line_target.c_str());
  std::fflush(sink_);
}

}  // namespace lumora::demo
