// The steps after a verified and hashed download: unpack, carry over, swap, start and
// confirm, or roll back.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>

#include "updater/core/layout.h"

namespace lumora::update {

enum class InstallStep { kUnpacking, kCarryingOver, kSwapping, kStarting, kConfirming, kDone };
using ProgressFn = std::function<void(InstallStep)>;

struct InstallOutcome {
  enum Kind { kInstalled, kRolledBack, kFailed } kind = kFailed;
  std::string error;  // one sentence for kRolledBack and kFailed
};

// The caller holds the update lock. Settles what an interrupted update left (Recover), then
// unpacks into the staging folder. Before the swap any failure leaves the app folder
// untouched and removes the staged files (the package too when it lies in the staging
// folder). After it, a new build that ends abnormally within `confirm` (non-zero status, a
// signal) is swapped back out and the old build started. Blocks for up to `confirm`: call it
// off the user-interface thread; `progress` is called on the calling thread.
InstallOutcome InstallAndConfirm(const Layout& layout, const std::filesystem::path& package_file,
                                 std::uint64_t max_unpacked,
                                 std::chrono::seconds confirm = std::chrono::seconds(20),
                                 const ProgressFn& progress = {});

// Starts <app>/lumora without arguments in its own session, so it outlives the updater.
bool StartClient(const std::filesystem::path& app);

// The name of the client's program file in an app folder.
inline constexpr char kClientProgram[] = "lumora";

}  // namespace lumora::update
