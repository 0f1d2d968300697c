// Update: the client's updater, started without arguments from the app folder it updates.
//   Update            update the app folder this program sits in
//   Update --version  print this updater's version
#include <QApplication>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>

#include "config/language.h"
#include "config/text_number.h"
#include "service/pages.h"
#include "updater/program/update_window.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// Without any display the toolkit would abort; the update then runs in the terminal.
bool HasDisplay() {
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
    const char* value = std::getenv(name);
    if (value != nullptr && *value != '\0') return true;
  }
  return false;
}

// Reports the steps on standard error, in the interface language.
class ConsoleObserver : public lumora::update::FlowObserver {
 public:
  explicit ConsoleObserver(int language) : language_(language) {}
  void OnPhase(lumora::update::Phase phase, const std::string& version) override {
    using lumora::update::Phase;
    using lumora::update::Text;
    const Text text = phase == Phase::kChecking      ? Text::kChecking
                      : phase == Phase::kDownloading ? Text::kDownloading
                      : phase == Phase::kInstalling  ? Text::kInstalling
                                                     : Text::kStarting;
    std::fprintf(stderr, "%s\n",
                 lumora::update::Fill(lumora::update::TextFor(text, language_), version).c_str());
  }
  void OnDownload(std::uint64_t, std::uint64_t) override {}
  void OnCancellable(bool) override {}

 private:
  int language_;
};

int RunInTerminal(const lumora::update::FlowSettings& settings, int language) {
  ConsoleObserver observer(language);
  const std::atomic<bool> cancel{false};
  const auto result = lumora::update::RunUpdate(settings, observer, cancel);
  const std::string sentence =
      lumora::update::Fill(lumora::update::TextFor(result.message, language), result.version);
  std::printf("update-result %s: %s\n", result.code.c_str(), sentence.c_str());
  if (!result.detail.empty()) std::fprintf(stderr, "Update: %s\n", result.detail.c_str());
  return result.success ? 0 : 1;
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

  lumora::update::FlowSettings settings;
  settings.app = OwnFolder();
  settings.this_version = std::string(lumora::kVersionTag);
  if (const auto s = lumora::EnvironmentNumber("LUMORA_UPDATE_CONFIRM_SECONDS")) {
    settings.confirm = std::chrono::seconds(*s);
  }
  if (const auto ms = lumora::EnvironmentNumber("LUMORA_UPDATE_STALL_MS")) {
    settings.limits.stall_time = std::chrono::milliseconds(*ms);
    settings.limits.retry_pause =
        std::min(settings.limits.retry_pause, std::chrono::milliseconds(*ms));
  }
  const auto close_after =
      std::chrono::milliseconds(lumora::EnvironmentNumber("LUMORA_UPDATE_CLOSE_MS").value_or(3000));
  const int language = lumora::LanguageChoice(settings.app).value_or(1);
  if (!HasDisplay()) return RunInTerminal(settings, language);

  QApplication application(argc, argv);
  lumora::update::UpdateWindow window(settings, language, close_after);
  window.show();
  window.Start();
  const int rc = application.exec();
  return rc == 0 && window.Succeeded() ? 0 : 1;
}
