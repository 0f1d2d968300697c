#include "platform/trace_file.h"

#include <cstring>

namespace lumora {

TraceFile::TraceFile(const char* setting) {
  if (setting == nullptr || *setting == '\0') return;
  if (std::strcmp(setting, "1") == 0) {
    file_ = stderr;
    return;
  }
  file_ = std::fopen(setting, "a");
  own_ = file_ != nullptr;
  if (file_ == nullptr) std::fprintf(stderr, "lumora: cannot open trace file %s\n", setting);
}

TraceFile::~TraceFile() {
  if (own_) std::fclose(file_);
}

void TraceFile::WriteLine(const char* line) const {
  if (file_ == nullptr) return;
  std::fputs(line, file_);
  std::fflush(file_);
}

}  // namespace lumora
