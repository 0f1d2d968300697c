// The whole update against a real loopback service, with releases made and signed here: what
// it fetches, what it leaves, and what it tells, for each way a release can be good or bad.
#include "updater/program/flow.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "service/service_base.h"
#include "tests/support/test_server.h"
#include "updater/core/digest.h"
#include "updater/core/layout.h"
#include "updater/core/lock.h"
#include "updater/core/manifest.h"
#include "updater/core/minisign.h"
#include "updater/core/release.h"
#include "updater/core/trusted_key.h"

namespace lumora::update {
namespace {

namespace fs = std::filesystem;
using lumora::testing::TestServer;
using namespace std::chrono_literals;

constexpr char kThisVersion[] = "1.0.0.1";
constexpr char kNewVersion[] = "1.0.0.2";
constexpr char kPackagePath[] = "/update/lumora-1.0.0.2.tar.xz";

std::string Read(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

void Write(const fs::path& p, const std::string& text, bool executable = false) {
  std::ofstream(p, std::ios::binary) << text;
  if (executable) chmod(p.c_str(), 0755);
}

// A client program that notes it ran, then ends well.
std::string ClientScript(const std::string& name) {
  return "#!/bin/sh\necho ran > \"$(dirname \"$0\")/" + name + "\"\nexit 0\n";
}

struct Observed : FlowObserver {
  void OnPhase(Phase phase, const std::string&) override {
    std::lock_guard lock(mutex);
    phases.push_back(phase);
  }
  void OnDownload(std::uint64_t done, std::uint64_t total) override {
    std::lock_guard lock(mutex);
    last_done = done;
    last_total = total;
    ++downloads;
  }
  void OnCancellable(bool c) override { cancellable.push_back(c); }
  std::mutex mutex;
  std::vector<Phase> phases;
  std::vector<bool> cancellable;
  std::uint64_t last_done = 0, last_total = 0;
  int downloads = 0;
};

class Flow : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string secret = Read(LUMORA_DEMO_SECRET_KEY);
    const auto demo_key = Sign(secret, "probe", "probe", nullptr);
    const auto trusted = BuiltInPublicKey();
    if (!demo_key || !trusted || Verify(*trusted, "probe", *demo_key) != VerifyError::kNone) {
      GTEST_SKIP() << "this build trusts another key than the demo key";
    }
    secret_ = secret;
    root_ = fs::temp_directory_path() /
            ("lumora-flow-" + std::to_string(getpid()) + "-" +
             ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(root_);
    app_ = root_ / "app";
    fs::create_directories(app_ / "Skins");
    Write(app_ / "lumora", ClientScript("old-ran"), true);
    Write(app_ / "Config.ini", "[Config]\r\nLanguage=3\r\n");
    Write(app_ / "Skins" / "Top.jpg", "old picture");
    setenv(kServiceBaseVariable, server_.Base().c_str(), 1);
    settings_.app = app_;
    settings_.this_version = kThisVersion;
    settings_.confirm = 1s;
    settings_.limits.stall_time = 1s;
    settings_.limits.retry_pause = 10ms;
  }
  void TearDown() override {
    unsetenv(kServiceBaseVariable);
    if (!root_.empty()) fs::remove_all(root_);
  }

  // A release of a new build whose program notes that it ran, published with a signature.
  std::string Publish(const std::string& version = kNewVersion, bool good_signature = true,
                      std::size_t noise_bytes = 0) {
    const fs::path build = root_ / "build";
    fs::create_directories(build / "Skins");
    if (noise_bytes > 0) {
      // Bytes xz cannot shrink, for a package of a known size.
      std::string noise(noise_bytes, '\0');
      unsigned x = 1;
      for (char& c : noise) c = static_cast<char>((x = x * 1103515245u + 12345u) >> 16);
      Write(build / "noise.bin", noise);
    }
    Write(build / "lumora", ClientScript("new-ran"), true);
    Write(build / "Skins" / "Top.jpg", "new picture");
    Write(build / "only-in-release.txt", "new");
    const fs::path archive = root_ / "package.tar.xz";
    std::string error;
    EXPECT_TRUE(WriteReleaseArchive(build, archive, &error)) << error;
    package_ = Read(archive);
    Manifest m;
    m.version = version;
    m.package = std::string(kPackagePath).substr(1);
    m.size = package_.size();
    m.sha256 = *Sha256OfFile(archive);
    const std::string json = ManifestJson(m);
    std::string signature = *Sign(secret_, good_signature ? json : json + " ", "test", &error);
    server_.Set("/update/latest.json", TestServer::Body(json));
    server_.Set("/update/latest.json.minisig", TestServer::Body(signature));
    server_.Set(kPackagePath, TestServer::File(package_));
    return json;
  }

  FlowResult Run() {
    cancel_ = false;
    return RunUpdate(settings_, observed_, cancel_);
  }
  bool Requested(const std::string& path) const {
    const auto paths = server_.RequestedPaths();
    return std::find(paths.begin(), paths.end(), path) != paths.end();
  }
  bool Eventually(const fs::path& file) const {
    for (int i = 0; i < 100 && !fs::exists(file); ++i) std::this_thread::sleep_for(50ms);
    return fs::exists(file);
  }
  void ExpectOldBuild() const {
    EXPECT_EQ(Read(app_ / "Skins" / "Top.jpg"), "old picture");
    EXPECT_FALSE(fs::exists(app_ / "only-in-release.txt"));
    EXPECT_EQ(Read(app_ / "Config.ini"), "[Config]\r\nLanguage=3\r\n");
  }

  TestServer server_;
  std::string secret_;
  std::string package_;
  fs::path root_, app_;
  FlowSettings settings_;
  Observed observed_;
  std::atomic<bool> cancel_{false};
};

TEST_F(Flow, SignedReleaseIsInstalledStartedAndConfirmed) {
  Publish();
  const FlowResult r = Run();
  ASSERT_EQ(r.code, "installed") << r.detail;
  EXPECT_TRUE(r.success);
  EXPECT_EQ(r.version, kNewVersion);
  EXPECT_EQ(Read(app_ / "Skins" / "Top.jpg"), "new picture");
  EXPECT_TRUE(fs::exists(app_ / "only-in-release.txt"));
  EXPECT_EQ(Read(app_ / "Config.ini"), "[Config]\r\nLanguage=3\r\n") << "the user's settings stay";
  EXPECT_TRUE(Eventually(app_ / "new-ran"));
  EXPECT_EQ(observed_.phases, (std::vector<Phase>{Phase::kChecking, Phase::kDownloading,
                                                  Phase::kInstalling, Phase::kStarting}));
  EXPECT_EQ(observed_.last_done, package_.size());
  EXPECT_EQ(observed_.last_total, package_.size());
  EXPECT_EQ(observed_.cancellable, (std::vector<bool>{true, false}));
  const Layout layout = LayoutFor(app_);
  EXPECT_FALSE(fs::exists(layout.download));
  EXPECT_FALSE(fs::exists(layout.old_copy));
}

TEST_F(Flow, AnythingUnsignedIsNeitherDownloadedNorApplied) {
  Publish(kNewVersion, /*good_signature=*/false);
  EXPECT_EQ(Run().code, "bad-signature");
  server_.Set("/update/latest.json.minisig", TestServer::Status(404));
  EXPECT_EQ(Run().code, "bad-signature");
  server_.Set("/update/latest.json.minisig", TestServer::Body(std::string(5000, 'x')));
  EXPECT_EQ(Run().code, "bad-signature") << "an oversized signature file";
  EXPECT_FALSE(Requested(kPackagePath));
  ExpectOldBuild();
  EXPECT_FALSE(fs::exists(LayoutFor(app_).download));

  server_.Set("/update/latest.json", TestServer::Status(500));
  const FlowResult r = Run();
  EXPECT_EQ(r.code, "no-service");
  EXPECT_FALSE(r.success);
  EXPECT_FALSE(r.detail.empty());
}

TEST_F(Flow, SameVersionStartsTheClientAgainAndDownloadsNothing) {
  Publish(kThisVersion);
  const FlowResult r = Run();
  EXPECT_EQ(r.code, "latest");
  EXPECT_TRUE(r.success);
  EXPECT_TRUE(Eventually(app_ / "old-ran"));
  EXPECT_FALSE(Requested(kPackagePath));
  ExpectOldBuild();
}

// A signed description stays valid for ever; served again later it must not take the user
// back to the build it announced.
TEST_F(Flow, AnOlderReleaseIsNotInstalled) {
  Publish("1.0.0.0");
  const FlowResult r = Run();
  EXPECT_EQ(r.code, "latest");
  EXPECT_NE(r.detail.find("not newer"), std::string::npos) << r.detail;
  EXPECT_FALSE(Requested(kPackagePath));
  ExpectOldBuild();
}

TEST_F(Flow, WrongHashLeavesTheOldBuildAndNoStagedFile) {
  Publish();
  std::string corrupt = package_;
  corrupt[corrupt.size() / 2] ^= 0x55;
  server_.Set(kPackagePath, TestServer::File(corrupt));
  EXPECT_EQ(Run().code, "hash-mismatch");
  ExpectOldBuild();
  EXPECT_FALSE(fs::exists(LayoutFor(app_).download));
  EXPECT_FALSE(fs::exists(app_ / "old-ran")) << "a failed update starts nothing";
}

// The window sees at most ten counts a second; the last one before a stall must still reach
// it, or it would show an early count for as long as the stall lasts.
TEST_F(Flow, TheLastCountBeforeAStallIsShown) {
  Publish(kNewVersion, true, 2 << 20);
  TestServer::Answer stalling = TestServer::File(package_);
  stalling.cut_after = package_.size() / 2;
  stalling.hang = true;
  server_.Set(kPackagePath, stalling);
  settings_.limits.retries = 0;
  const FlowResult r = Run();
  EXPECT_EQ(r.code, "connection-lost");
  std::lock_guard lock(observed_.mutex);
  EXPECT_EQ(observed_.last_done, package_.size() / 2);
  EXPECT_EQ(observed_.last_total, package_.size());
  ExpectOldBuild();
}

TEST_F(Flow, ACancelledPartIsResumedForTheSameReleaseOnly) {
  Publish();
  const Layout layout = LayoutFor(app_);
  fs::create_directories(layout.staging);
  // Left by a cancelled download of some other release: resuming it would fail the hash.
  Write(layout.download, std::string(1000, 'z'));
  Write(fs::path(layout.download).concat(".release"), std::string(64, 'a') + "\n");
  EXPECT_EQ(Run().code, "installed");
}

TEST_F(Flow, CancelBeforeTheInstallChangesNothing) {
  Publish();
  struct CancelOnDownload : Observed {
    std::atomic<bool>* cancel = nullptr;
    void OnPhase(Phase phase, const std::string& v) override {
      Observed::OnPhase(phase, v);
      if (phase == Phase::kDownloading) *cancel = true;
    }
  } observer;
  observer.cancel = &cancel_;
  cancel_ = false;
  const FlowResult r = RunUpdate(settings_, observer, cancel_);
  EXPECT_EQ(r.code, "cancelled");
  ExpectOldBuild();
}

TEST_F(Flow, ASecondUpdateEndsAtOnce) {
  Publish();
  const Layout layout = LayoutFor(app_);
  auto held = UpdateLock::TryTake(layout.lock);
  ASSERT_TRUE(held);
  pid_t child = fork();
  if (child == 0) {
    // The lock is per open file, so a second process must try it.
    std::atomic<bool> cancel{false};
    Observed o;
    _exit(RunUpdate(settings_, o, cancel).code == "busy" ? 0 : 1);
  }
  int status = 0;
  waitpid(child, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_TRUE(server_.RequestedPaths().empty());
  ExpectOldBuild();
}

TEST_F(Flow, PackagedCopiesAreLeftAloneWithoutAStagingFolder) {
  Publish();
  Write(app_ / kPackageMarker, "");
  const FlowResult r = Run();
  EXPECT_EQ(r.code, "package-manager");
  EXPECT_FALSE(r.success);
  EXPECT_TRUE(server_.RequestedPaths().empty());
  EXPECT_FALSE(fs::exists(LayoutFor(app_).staging));
  ExpectOldBuild();
}

TEST_F(Flow, ReleaseThatEndsAtOnceIsRolledBack) {
  Publish();
  const fs::path build = root_ / "build";
  Write(build / "lumora", "#!/bin/sh\nexit 1\n", true);
  const fs::path archive = root_ / "failing.tar.xz";
  ASSERT_TRUE(WriteReleaseArchive(build, archive, nullptr));
  Manifest m;
  m.version = kNewVersion;
  m.package = std::string(kPackagePath).substr(1);
  m.size = fs::file_size(archive);
  m.sha256 = *Sha256OfFile(archive);
  const std::string json = ManifestJson(m);
  server_.Set("/update/latest.json", TestServer::Body(json));
  server_.Set("/update/latest.json.minisig", TestServer::Body(*Sign(secret_, json, "t", nullptr)));
  server_.Set(kPackagePath, TestServer::File(Read(archive)));
  const FlowResult r = Run();
  EXPECT_EQ(r.code, "rolled-back") << r.detail;
  ExpectOldBuild();
  EXPECT_TRUE(Eventually(app_ / "old-ran")) << "the previous build runs again";
}

}  // namespace
}  // namespace lumora::update
