// What the updater says, in the three interface languages of the client.
#pragma once

#include <string>
#include <string_view>

namespace lumora::update {

enum class Text {
  // Labels and steps.
  kTitle,
  kCancel,
  kClose,
  kChecking,
  kDownloading,  // %1: the release's version
  kInstalling,
  kStarting,
  kProgress,  // %1 of %2 bytes, %3 per second, %4 left
  kCancelling,
  // Outcomes: each is one whole sentence.
  kInstalled,  // %1: the new version
  kLatest,
  kRolledBack,
  kInstallFailed,
  kPackageManager,
  kBusy,
  kRecoverFailed,
  kNoKey,
  kNoService,
  kBadSignature,
  kBadManifest,
  kSizeMismatch,
  kHashMismatch,
  kConnectionLost,
  kDiskFull,
  kDownloadFailed,
  kCancelled,
};

// 1 Simplified Chinese, 2 Traditional Chinese, 3 English; anything else reads as 1, the
// language a fresh Config.ini holds.
std::string_view TextFor(Text text, int language);

// The text with "%1".."%4" replaced by the given values.
std::string Fill(std::string_view text, std::string_view a1 = {}, std::string_view a2 = {},
                 std::string_view a3 = {}, std::string_view a4 = {});

}  // namespace lumora::update
