// Update: the client's updater, started without arguments from the app folder it updates.
//   Update            update the app folder this program sits in
//   Update --version  print this updater's version
#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>

#include "config/language.h"
#include "service/pages.h"
#include "updater/program/update_window.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// A positive number from the environment, for tests that cannot wait the real bounds out.
std::optional<long> EnvironmentNumber(const char* name) {
  const char* value = std::getenv(name);
  if (value == nullptr || *value == '\0') return std::nullopt;
  char* end = nullptr;
  const long n = std::strtol(value, &end, 10);
  if (*end != '\0' || n < 0) return std::nullopt;
  return n;
}

fs::path OwnFolder() {
  std::error_code error;
  const fs::path self = fs::read_symlink("/proc/self/exe", error);
  return error ? fs::current_path(error) : self.parent_path();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
    std::printf("Update %.*s\n", static_cast<int>(lumora::kVersionTag.size()),
                lumora::kVersionTag.data());
    return 0;
  }
  if (argc > 1) {
    std::fprintf(stderr, "usage: Update [--version]\n");
    return 2;
  }

  QApplication application(argc, argv);
  lumora::update::FlowSettings settings;
  settings.app = OwnFolder();
  settings.this_version = std::string(lumora::kVersionTag);
  if (const auto s = EnvironmentNumber("LUMORA_UPDATE_CONFIRM_SECONDS")) {
    settings.confirm = std::chrono::seconds(*s);
  }
  if (const auto ms = EnvironmentNumber("LUMORA_UPDATE_STALL_MS")) {
    settings.limits.stall_time = std::chrono::milliseconds(*ms);
    settings.limits.retry_pause = std::min(settings.limits.retry_pause,
                                           std::chrono::milliseconds(*ms));
  }
  const auto close_after =
      std::chrono::milliseconds(EnvironmentNumber("LUMORA_UPDATE_CLOSE_MS").value_or(3000));
  const int language = lumora::LanguageChoice(settings.app).value_or(1);

  lumora::update::UpdateWindow window(settings, language, close_after);
  window.show();
  window.Start();
  const int rc = application.exec();
  return rc == 0 && window.Succeeded() ? 0 : 1;
}
