#include "updater/program/flow.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string_view>
#include <thread>
#include <vector>

#include "service/service_client.h"
#include "updater/core/install.h"
#include "updater/core/layout.h"
#include "updater/core/lock.h"
#include "updater/core/manifest.h"
#include "updater/core/minisign.h"
#include "updater/core/swap.h"
#include "updater/core/trusted_key.h"

namespace lumora::update {
namespace {

namespace fs = std::filesystem;

// An unpacked release may be this many times its archive.
constexpr std::uint64_t kUnpackFactor = 20;
constexpr auto kProgressInterval = std::chrono::milliseconds(100);
constexpr auto kClientEndWait = std::chrono::seconds(15);

struct Code {
  Text message;
  std::string_view code;
  bool success;
};

constexpr Code kCodes[] = {
    {Text::kInstalled, "installed", true},
    {Text::kLatest, "latest", true},
    {Text::kRolledBack, "rolled-back", false},
    {Text::kInstallFailed, "install-failed", false},
    {Text::kPackageManager, "package-manager", false},
    {Text::kBusy, "busy", false},
    {Text::kRecoverFailed, "recover-failed", false},
    {Text::kNoKey, "no-key", false},
    {Text::kNoService, "no-service", false},
    {Text::kBadSignature, "bad-signature", false},
    {Text::kBadManifest, "bad-manifest", false},
    {Text::kSizeMismatch, "size-mismatch", false},
    {Text::kHashMismatch, "hash-mismatch", false},
    {Text::kConnectionLost, "connection-lost", false},
    {Text::kDiskFull, "disk-full", false},
    {Text::kDownloadFailed, "download-failed", false},
    {Text::kCancelled, "cancelled", false},
};

FlowResult Result(Text message, std::string detail = {}, std::string version = {}) {
  FlowResult r;
  r.message = message;
  r.code = std::string(CodeOf(message));
  r.detail = std::move(detail);
  r.version = std::move(version);
  for (const Code& c : kCodes) {
    if (c.message == message) r.success = c.success;
  }
  return r;
}

std::string AsText(const Bytes& bytes) {
  return {bytes.begin(), bytes.end()};
}

Text DownloadMessage(DownloadResult result) {
  switch (result) {
    case DownloadResult::TooLarge:
    case DownloadResult::TooSmall:
      return Text::kSizeMismatch;
    case DownloadResult::WrongHash:
      return Text::kHashMismatch;
    case DownloadResult::ConnectionLost:
      return Text::kConnectionLost;
    case DownloadResult::DiskFull:
      return Text::kDiskFull;
    case DownloadResult::Cancelled:
      return Text::kCancelled;
    default:
      return Text::kDownloadFailed;
  }
}

const char* VerifyErrorText(VerifyError error) {
  switch (error) {
    case VerifyError::kMalformed:
      return "the signature file is malformed";
    case VerifyError::kWrongKey:
      return "the release was signed with another key";
    case VerifyError::kBadSignature:
      return "the signature does not match the release description";
    case VerifyError::kBadGlobalSignature:
      return "the signature's trusted comment was altered";
    case VerifyError::kNone:
      break;
  }
  return "";
}

// Passes the download's progress on, no more often than the window can use it.
class ThrottledProgress {
 public:
  explicit ThrottledProgress(FlowObserver& observer) : observer_(observer) {}
  void operator()(std::uint64_t done, std::uint64_t total) {
    const auto now = std::chrono::steady_clock::now();
    if (done < total && now - last_ < kProgressInterval) return;
    last_ = now;
    observer_.OnDownload(done, total);
  }

 private:
  FlowObserver& observer_;
  std::chrono::steady_clock::time_point last_{};
};

// Whether a process runs the program file `program` (as the kernel names it).
bool SomeoneRuns(const fs::path& program) {
  std::error_code error;
  for (const auto& entry : fs::directory_iterator("/proc", error)) {
    const std::string name = entry.path().filename().string();
    if (name.empty() || name.find_first_not_of("0123456789") != std::string::npos) continue;
    std::error_code unreadable;
    const fs::path exe = fs::read_symlink(entry.path() / "exe", unreadable);
    if (!unreadable && exe == program) return true;
  }
  return false;
}

// Waits until no process runs the app folder's client, at most `limit`. One that keeps
// running (in the notification area, say) does not stop the update.
void WaitForClientsToEnd(const fs::path& app, std::chrono::seconds limit) {
  std::error_code error;
  const fs::path program = fs::canonical(app / kClientProgram, error);
  if (error) return;
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (SomeoneRuns(program) && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
}

// A download cancelled earlier is resumed only for the same release; a part of another release
// would only fail its hash at the end.
void KeepPartialOnlyFor(const Layout& layout, const Manifest& manifest) {
  fs::path tag = layout.download;
  tag += ".release";
  std::string recorded;
  {
    std::ifstream in(tag);
    std::getline(in, recorded);
  }
  if (recorded == manifest.sha256) return;
  std::error_code ignored;
  fs::remove(layout.download, ignored);
  std::ofstream(tag, std::ios::trunc) << manifest.sha256 << "\n";
}

}  // namespace

std::optional<int> CompareVersions(std::string_view a, std::string_view b) {
  auto parts = [](std::string_view v) -> std::optional<std::vector<std::string_view>> {
    std::vector<std::string_view> out;
    for (;;) {
      const std::size_t dot = v.find('.');
      std::string_view part = v.substr(0, dot);
      if (part.empty() || part.find_first_not_of("0123456789") != std::string_view::npos) {
        return std::nullopt;
      }
      part.remove_prefix(std::min(part.find_first_not_of('0'), part.size()));
      out.push_back(part);
      if (dot == std::string_view::npos) return out;
      v.remove_prefix(dot + 1);
    }
  };
  const auto pa = parts(a), pb = parts(b);
  if (!pa || !pb) return std::nullopt;
  for (std::size_t i = 0; i < std::max(pa->size(), pb->size()); ++i) {
    const std::string_view x = i < pa->size() ? (*pa)[i] : "";
    const std::string_view y = i < pb->size() ? (*pb)[i] : "";
    // Without leading zeros, a longer number is the larger one.
    if (x.size() != y.size()) return x.size() < y.size() ? -1 : 1;
    if (x != y) return x < y ? -1 : 1;
  }
  return 0;
}

std::string_view CodeOf(Text message) {
  for (const Code& c : kCodes) {
    if (c.message == message) return c.code;
  }
  return "failed";
}

FlowResult RunUpdate(const FlowSettings& settings, FlowObserver& observer,
                     const std::atomic<bool>& cancel) {
  const Layout layout = LayoutFor(settings.app);
  observer.OnCancellable(true);
  observer.OnPhase(Phase::kChecking, {});

  // A packaged copy is refreshed by its start script; what we changed would be undone or,
  // worse, mixed with the package's files. Nothing is created, not even the staging folder.
  if (ManagedByPackage(layout.app)) {
    return Result(Text::kPackageManager, "the app folder holds the package marker");
  }
  if (!AppFolderWritable(layout.app)) {
    return Result(Text::kPackageManager, "the app folder or its parent is not writable");
  }

  std::optional<UpdateLock> lock = UpdateLock::TryTake(layout.lock);
  if (!lock) {
    const auto holder = UpdateLock::LastHolder(layout.lock);
    return Result(Text::kBusy, holder ? "process " + std::to_string(*holder) + " holds the lock"
                                      : "the update lock is held");
  }
  if (!Recover(layout)) {
    return Result(Text::kRecoverFailed, "the staging folder could not be brought back to rest");
  }

  const std::optional<PublicKey> key = BuiltInPublicKey();
  if (!key) return Result(Text::kNoKey, "the built-in public key cannot be read");

  // Both small files first: nothing is downloaded before the description is known genuine.
  const TextFetch manifest_fetch = FetchServiceFile(kManifestName, kMaxManifestBytes);
  if (!manifest_fetch.ok()) {
    return Result(Text::kNoService, std::string(kManifestName) + ": " + manifest_fetch.error);
  }
  const TextFetch signature_fetch = FetchServiceFile(kSignatureName, kMaxSignatureBytes);
  if (!signature_fetch.ok()) {
    return Result(Text::kBadSignature,
                  std::string(kSignatureName) + ": " + signature_fetch.error);
  }
  const std::string manifest_text = AsText(manifest_fetch.body);
  const VerifyError verified = Verify(*key, manifest_text, AsText(signature_fetch.body));
  if (verified != VerifyError::kNone) {
    return Result(Text::kBadSignature, VerifyErrorText(verified));
  }
  std::string why;
  const std::optional<Manifest> manifest = ParseManifest(manifest_text, &why);
  if (!manifest) return Result(Text::kBadManifest, why);

  const std::optional<int> order = CompareVersions(manifest->version, settings.this_version);
  const bool newer = order ? *order > 0 : manifest->version != settings.this_version;
  if (!newer) {
    // The menu path closed the client; it comes back as it was.
    StartClient(layout.app);
    return Result(Text::kLatest,
                  "the release " + manifest->version + " is not newer than this build's " +
                      settings.this_version,
                  manifest->version);
  }
  if (cancel) return Result(Text::kCancelled, "cancelled before the download");

  observer.OnPhase(Phase::kDownloading, manifest->version);
  KeepPartialOnlyFor(layout, *manifest);
  const std::string address = ResolvePackageAddress(ServiceBase(), *manifest);
  ThrottledProgress progress(observer);
  const DownloadOutcome downloaded = DownloadFile(
      address, layout.download, manifest->size, manifest->sha256,
      [&progress](std::uint64_t done, std::uint64_t total) { progress(done, total); }, &cancel,
      settings.limits);
  if (downloaded.result != DownloadResult::Ok) {
    // A cancelled download stays for the next run to resume; anything else is already gone.
    return Result(DownloadMessage(downloaded.result), downloaded.error, manifest->version);
  }
  observer.OnDownload(manifest->size, manifest->size);
  if (cancel) return Result(Text::kCancelled, "cancelled after the download", manifest->version);

  // The client that started us may still be ending, and it writes its settings as it ends:
  // a write after the carry-over would land in the old folder and be lost with it.
  WaitForClientsToEnd(layout.app, kClientEndWait);

  observer.OnCancellable(false);
  observer.OnPhase(Phase::kInstalling, manifest->version);
  const InstallOutcome installed = InstallAndConfirm(
      layout, layout.download, manifest->size * kUnpackFactor, settings.confirm,
      [&observer, &manifest](InstallStep step) {
        if (step == InstallStep::kStarting) observer.OnPhase(Phase::kStarting, manifest->version);
      });
  switch (installed.kind) {
    case InstallOutcome::kInstalled:
      return Result(Text::kInstalled, {}, manifest->version);
    case InstallOutcome::kRolledBack:
      return Result(Text::kRolledBack, installed.error, manifest->version);
    case InstallOutcome::kFailed:
      break;
  }
  return Result(Text::kInstallFailed, installed.error, manifest->version);
}

}  // namespace lumora::update
