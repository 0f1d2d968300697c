// The whole update, from the release's description to the new build running, as one
// synchronous call for a worker thread. It knows no toolkit: what it does goes to an
// observer, what it ended with comes back as one sentence.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "service/file_fetch.h"
#include "updater/program/texts.h"

namespace lumora::update {

// Where the release's description and signature live below the service base.
inline constexpr char kManifestName[] = "update/latest.json";
inline constexpr char kSignatureName[] = "update/latest.json.minisig";

struct FlowSettings {
  std::filesystem::path app;  // the app folder this updater belongs to
  std::string this_version;   // the running build's version
  std::chrono::seconds confirm{20};
  DownloadLimits limits;
};

enum class Phase { kChecking, kDownloading, kInstalling, kStarting };

class FlowObserver {
 public:
  virtual ~FlowObserver() = default;
  // `version`: the release's, once known.
  virtual void OnPhase(Phase phase, const std::string& version) = 0;
  // At most about ten times a second, and once at the end of the download.
  virtual void OnDownload(std::uint64_t done, std::uint64_t total) = 0;
  // Cancel only stops the update before the app folder is touched.
  virtual void OnCancellable(bool cancellable) = 0;
};

struct FlowResult {
  Text message = Text::kInstallFailed;  // the sentence for the user
  std::string code;                     // a fixed word per outcome, for logs and tests
  std::string version;                  // the release's version, when known
  std::string detail;                   // why, in plain English, for standard error
  bool success = false;
};

// Orders two versions of digits and dots part by part as numbers ("1.0.10" after "1.0.9";
// missing parts count as 0, leading zeros do not count): -1, 0 or 1. Nothing when either is
// not such a version.
std::optional<int> CompareVersions(std::string_view a, std::string_view b);

// The fixed word of an outcome: "installed", "latest", "rolled-back", "bad-signature", ...
std::string_view CodeOf(Text message);

// Runs the update of `settings.app`: mends a half-done earlier update, takes the lock, checks
// the signed release, downloads, installs and confirms. Only a newer release is installed:
// an older one, however well signed (an old description served again), is not. `cancel` is looked
// at until the install starts. Every failure before the swap leaves the app folder as it was.
FlowResult RunUpdate(const FlowSettings& settings, FlowObserver& observer,
                     const std::atomic<bool>& cancel);

}  // namespace lumora::update
