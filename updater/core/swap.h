// Exchanging two folders so that each path always holds a whole folder.
#pragma once

#include <filesystem>
#include <string>

#include "updater/core/layout.h"

namespace lumora::update {

// Set to "1" to force the rename fallback (for tests of file systems without an exchange).
inline constexpr char kNoExchangeVariable[] = "LUMORA_UPDATE_NO_EXCHANGE";

// Exchanges `a` and `b` (same file system). Uses renameat2(RENAME_EXCHANGE); where the file
// system lacks it, three renames through a temporary name, recorded first in `journal` so
// that Recover can finish them after a crash.
bool SwapFolders(const std::filesystem::path& a, const std::filesystem::path& b,
                 const std::filesystem::path& journal, std::string* error = nullptr);

// Brings the layout back to a rest state after a crash: finishes a half-done swap, puts the
// previous build back when a swapped-in build was never confirmed, and removes staged
// folders. The caller holds the update lock. Returns false when something could not be
// mended (the app folder is still whole whenever a whole folder existed). `app_changed`
// (when given) tells whether the app folder's path now holds another folder than before: a
// program that runs from the app folder should then start <app>/lumora afresh.
bool Recover(const Layout& layout, bool* app_changed = nullptr);

// Recover, for the client's launcher: takes the update lock first and does nothing while an
// update runs. Returns true when there was nothing to do or all was mended.
bool RecoverUnlessBusy(const Layout& layout, bool* app_changed = nullptr);

}  // namespace lumora::update

namespace lumora::update::testing {

// The rename fallback stopped after its first `renames` renames (0 to 3), journal left in
// place, as a crash would leave it. For tests of Recover.
bool SwapByRenamesInterrupted(const std::filesystem::path& a, const std::filesystem::path& b,
                              const std::filesystem::path& journal, int renames);

}  // namespace lumora::update::testing
