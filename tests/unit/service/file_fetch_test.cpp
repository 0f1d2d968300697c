// The updater's download against a real loopback server: resumed, restarted, cut off,
// stalled, oversized, undersized, corrupted and cancelled transfers. Whatever happens, the
// file is either the whole release or gone (a cancelled one stays for a resume).
#include "service/file_fetch.h"

#include <gtest/gtest.h>
#include <openssl/sha.h>
#include <sys/resource.h>

#include <algorithm>
#include <atomic>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/test_server.h"

namespace lumora {
namespace {

using testing::TestServer;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

std::string Sha256Hex(const std::string& data) {
  unsigned char digest[SHA256_DIGEST_LENGTH];
  SHA256(reinterpret_cast<const unsigned char*>(data.data()), data.size(), digest);
  static constexpr char kHex[] = "0123456789abcdef";
  std::string hex;
  for (unsigned char b : digest) {
    hex += kHex[b >> 4];
    hex += kHex[b & 0xf];
  }
  return hex;
}

// Bytes that differ at every position, so a misplaced resume shows in the hash.
std::string Release(std::size_t size) {
  std::string s(size, '\0');
  unsigned x = 12345;
  for (char& c : s) {
    x = x * 1103515245u + 12345u;
    c = static_cast<char>(x >> 16);
  }
  return s;
}

std::string ReadAll(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

void WriteAll(const fs::path& p, const std::string& data) {
  std::ofstream(p, std::ios::binary) << data;
}

// Short bounds, so the stall and retry cases take a second or two, not a minute.
DownloadLimits Quick(int retries = 3) {
  DownloadLimits l;
  l.connect_timeout = 2s;
  l.stall_time = 1s;
  l.stall_bytes_per_second = 1024;
  l.retries = retries;
  l.retry_pause = 10ms;
  return l;
}

class Download : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("lumora-download-" + std::to_string(getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  DownloadOutcome Get(const std::string& body, const DownloadLimits& limits = Quick(),
                      const std::atomic<bool>* cancel = nullptr) {
    return Get(body.size(), Sha256Hex(body), limits, cancel);
  }
  DownloadOutcome Get(std::uint64_t size, const std::string& hash,
                      const DownloadLimits& limits = Quick(),
                      const std::atomic<bool>* cancel = nullptr) {
    return DownloadFile(server_.Base() + "pkg", Dest(), size, hash, progress_, cancel, limits);
  }
  fs::path Dest() const { return dir_ / "pkg.part"; }

  TestServer server_;
  fs::path dir_;
  std::vector<std::uint64_t> done_;
  DownloadProgress progress_ = [this](std::uint64_t done, std::uint64_t) { done_.push_back(done); };
};

TEST_F(Download, WholeFileArrivesWithRisingProgress) {
  const std::string body = Release(3 << 20);
  server_.Set("/pkg", TestServer::File(body));
  const DownloadOutcome out = Get(body);
  ASSERT_EQ(out.result, DownloadResult::Ok) << out.error;
  EXPECT_TRUE(out.error.empty());
  EXPECT_TRUE(ReadAll(Dest()) == body);
  ASSERT_FALSE(done_.empty());
  EXPECT_TRUE(std::is_sorted(done_.begin(), done_.end()));
  EXPECT_EQ(done_.back(), body.size());
  EXPECT_EQ(FileSha256(Dest()), Sha256Hex(body));
}

TEST_F(Download, HashIsComparedWithoutRegardToCase) {
  const std::string body = Release(1000);
  server_.Set("/pkg", TestServer::File(body));
  std::string upper = Sha256Hex(body);
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  EXPECT_EQ(Get(body.size(), upper).result, DownloadResult::Ok);
}

// Each answer stops at 40 %: only a server with ranges gets the file across in three answers.
TEST_F(Download, ConnectionLossesResumeWithRanges) {
  const std::string body = Release(1 << 20);
  TestServer::Answer a = TestServer::File(body, true);
  a.cut_after = body.size() * 4 / 10;
  server_.Set("/pkg", a);
  const DownloadOutcome out = Get(body);
  ASSERT_EQ(out.result, DownloadResult::Ok) << out.error;
  EXPECT_TRUE(ReadAll(Dest()) == body);
  EXPECT_EQ(server_.RequestedPaths().size(), 3u);
}

TEST_F(Download, ServerThatStopsMidBodyFailsAfterThreeRetriesAndLeavesNothing) {
  const std::string body = Release(1 << 20);
  TestServer::Answer a = TestServer::File(body, false);  // every answer starts again
  a.cut_after = body.size() / 2;
  server_.Set("/pkg", a);
  const DownloadOutcome out = Get(body);
  EXPECT_EQ(out.result, DownloadResult::ConnectionLost);
  EXPECT_NE(out.error.find("lost"), std::string::npos) << out.error;
  EXPECT_EQ(out.error.find('\n'), std::string::npos);
  EXPECT_EQ(server_.RequestedPaths().size(), 4u) << "one request and three retries";
  EXPECT_FALSE(fs::exists(Dest()));
}

TEST_F(Download, ServerThatGoesSilentMidBodyIsAbandonedWithinTheStallBound) {
  const std::string body = Release(256 << 10);
  TestServer::Answer a = TestServer::File(body, true);
  a.cut_after = 1000;
  a.hang = true;
  server_.Set("/pkg", a);
  const auto start = std::chrono::steady_clock::now();
  const DownloadOutcome out = Get(body, Quick(1));
  EXPECT_LT(std::chrono::steady_clock::now() - start, 10s);
  EXPECT_EQ(out.result, DownloadResult::ConnectionLost);
  EXPECT_EQ(server_.RequestedPaths().size(), 2u);
  EXPECT_FALSE(fs::exists(Dest()));
}

TEST_F(Download, PartialFileFromAnEarlierRunIsResumed) {
  const std::string body = Release(1 << 20);
  WriteAll(Dest(), body.substr(0, 300000));
  // Without a range request the server would send its first 200 001 bytes and stop.
  TestServer::Answer a = TestServer::File(body, true);
  a.cut_after = body.size() - 300000;
  server_.Set("/pkg", a);
  const DownloadOutcome out = Get(body, Quick(0));
  ASSERT_EQ(out.result, DownloadResult::Ok) << out.error;
  EXPECT_TRUE(ReadAll(Dest()) == body);
  ASSERT_FALSE(done_.empty());
  EXPECT_EQ(done_.front(), 300000u) << "progress starts where the file was";
}

TEST_F(Download, ServerWithoutRangesRestartsTheFileFromItsStart) {
  const std::string body = Release(1 << 20);
  WriteAll(Dest(), std::string(500000, 'z'));  // not even the right bytes
  server_.Set("/pkg", TestServer::File(body, false));
  const DownloadOutcome out = Get(body);
  ASSERT_EQ(out.result, DownloadResult::Ok) << out.error;
  EXPECT_TRUE(ReadAll(Dest()) == body);
}

TEST_F(Download, LeftoversThatCannotBelongAreReplacedOrRemoved) {
  const std::string body = Release(100000);
  server_.Set("/pkg", TestServer::File(body, true));
  // Longer than the release: dropped, the file fetched whole.
  WriteAll(Dest(), std::string(body.size() + 10, 'z'));
  ASSERT_EQ(Get(body).result, DownloadResult::Ok);
  EXPECT_TRUE(ReadAll(Dest()) == body);
  // A resumed prefix with wrong bytes shows in the hash; the file goes.
  WriteAll(Dest(), std::string(1000, 'z'));
  EXPECT_EQ(Get(body).result, DownloadResult::WrongHash);
  EXPECT_FALSE(fs::exists(Dest()));
  // The whole file already there: nothing asked.
  WriteAll(Dest(), body);
  const std::size_t asked = server_.RequestedPaths().size();
  EXPECT_EQ(Get(body).result, DownloadResult::Ok);
  EXPECT_EQ(server_.RequestedPaths().size(), asked);
}

TEST_F(Download, WrongSizeOrHashRemovesTheFile) {
  const std::string body = Release(200000);
  server_.Set("/pkg", TestServer::File(body));
  struct Case {
    const char* name;
    std::uint64_t size;
    std::string hash;
    DownloadResult result;
  };
  const Case cases[] = {
      {"announced larger", body.size() - 1, Sha256Hex(body), DownloadResult::TooLarge},
      {"shorter", body.size() + 1, Sha256Hex(body), DownloadResult::TooSmall},
      {"wrong hash", body.size(), Sha256Hex(body + "x"), DownloadResult::WrongHash},
      {"no hash", body.size(), "", DownloadResult::WrongHash},
  };
  for (const Case& c : cases) {
    const DownloadOutcome out = Get(c.size, c.hash);
    EXPECT_EQ(out.result, c.result) << c.name << ": " << out.error;
    EXPECT_FALSE(out.error.empty()) << c.name;
    EXPECT_FALSE(fs::exists(Dest())) << c.name;
  }
}

TEST_F(Download, UnannouncedFloodStopsAtTheExpectedSize) {
  server_.Set("/pkg", TestServer::Flood(50u << 20, false));
  std::uint64_t most = 0;
  progress_ = [&most](std::uint64_t done, std::uint64_t) { most = std::max(most, done); };
  const DownloadOutcome out = Get(1 << 20, std::string(64, '0'));
  EXPECT_EQ(out.result, DownloadResult::TooLarge) << out.error;
  EXPECT_LE(most, 1u << 20);
  EXPECT_FALSE(fs::exists(Dest()));
}

TEST_F(Download, HttpErrorsAndBadAddresses) {
  server_.Set("/pkg", TestServer::Status(404));
  EXPECT_EQ(Get(100, std::string(64, '0')).result, DownloadResult::HttpError);
  EXPECT_EQ(server_.RequestedPaths().size(), 1u) << "a missing file is not retried";
  EXPECT_FALSE(fs::exists(Dest()));

  server_.Set("/pkg", TestServer::Status(500));
  EXPECT_EQ(Get(100, std::string(64, '0')).result, DownloadResult::HttpError);
  EXPECT_EQ(server_.RequestedPaths().size(), 5u) << "a server error is retried";

  server_.Set("/pkg", TestServer::Redirect("file:///etc/passwd"));
  EXPECT_NE(Get(100, std::string(64, '0')).result, DownloadResult::Ok);
  EXPECT_FALSE(fs::exists(Dest()));
  for (const char* address : {"file:///etc/passwd", "ftp://127.0.0.1/x", "", "nonsense"}) {
    const DownloadOutcome out =
        DownloadFile(address, Dest(), 10, std::string(64, '0'), progress_, nullptr, Quick(0));
    EXPECT_EQ(out.result, DownloadResult::BadAddress) << address << ": " << out.error;
    EXPECT_FALSE(fs::exists(Dest()));
  }
}

TEST_F(Download, NoServerIsAConnectionLoss) {
  const DownloadOutcome out = DownloadFile("http://127.0.0.1:1/pkg", Dest(), 10,
                                           std::string(64, '0'), progress_, nullptr, Quick(1));
  EXPECT_EQ(out.result, DownloadResult::ConnectionLost) << out.error;
  EXPECT_FALSE(fs::exists(Dest()));
}

TEST_F(Download, CancelStopsSoonAndKeepsThePartForAResume) {
  const std::string body = Release(40);
  server_.Set("/pkg", TestServer::Drip(body, 50ms));
  std::atomic<bool> cancel{false};
  progress_ = [&cancel](std::uint64_t done, std::uint64_t) {
    if (done >= 5) cancel = true;
  };
  const auto start = std::chrono::steady_clock::now();
  const DownloadOutcome out = Get(body, Quick(), &cancel);
  EXPECT_LT(std::chrono::steady_clock::now() - start, 1500ms);
  EXPECT_EQ(out.result, DownloadResult::Cancelled);
  ASSERT_TRUE(fs::exists(Dest()));
  EXPECT_GE(fs::file_size(Dest()), 5u);

  server_.Set("/pkg", TestServer::File(body, true));
  progress_ = nullptr;
  EXPECT_EQ(Get(body).result, DownloadResult::Ok);
  EXPECT_TRUE(ReadAll(Dest()) == body);
}

TEST_F(Download, CancelDuringARetryPauseEndsAtOnce) {
  std::atomic<bool> cancel{false};
  DownloadLimits limits = Quick(3);
  limits.retry_pause = 10s;
  std::thread later([&cancel] {
    std::this_thread::sleep_for(300ms);
    cancel = true;
  });
  const auto start = std::chrono::steady_clock::now();
  const DownloadOutcome out = DownloadFile("http://127.0.0.1:1/pkg", Dest(), 10,
                                           std::string(64, '0'), nullptr, &cancel, limits);
  later.join();
  EXPECT_LT(std::chrono::steady_clock::now() - start, 3s);
  EXPECT_EQ(out.result, DownloadResult::Cancelled);
}

// A file-size limit makes writes fail with EFBIG, as a full file system fails with ENOSPC.
TEST_F(Download, DiskFullIsReportedAsSuchAndLeavesNothing) {
  const std::string body = Release(2 << 20);
  server_.Set("/pkg", TestServer::File(body));
  rlimit old{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
  auto* previous = std::signal(SIGXFSZ, SIG_IGN);
  rlimit small = old;
  small.rlim_cur = 1 << 20;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  const DownloadOutcome out = Get(body);
  setrlimit(RLIMIT_FSIZE, &old);
  std::signal(SIGXFSZ, previous);
  EXPECT_EQ(out.result, DownloadResult::DiskFull) << out.error;
  EXPECT_NE(out.error.find("space"), std::string::npos);
  EXPECT_FALSE(fs::exists(Dest()));
}

TEST_F(Download, NeverWritesThroughALinkOrIntoSomethingElse) {
  const std::string body = Release(1000);
  server_.Set("/pkg", TestServer::File(body));
  const fs::path victim = dir_ / "victim";
  WriteAll(victim, "precious");
  fs::create_symlink(victim, Dest());
  EXPECT_EQ(Get(body).result, DownloadResult::WriteFailed);
  EXPECT_EQ(ReadAll(victim), "precious");
  EXPECT_TRUE(fs::is_symlink(fs::symlink_status(Dest()))) << "not ours to remove either";
  fs::remove(Dest());
  fs::create_directory(Dest());
  EXPECT_NE(Get(body).result, DownloadResult::Ok);
  EXPECT_TRUE(fs::is_directory(Dest()));
}

TEST(BoundedText, GivesTheBodyUpToItsBoundAndAReasonOtherwise) {
  TestServer server;
  server.Set("/exact", TestServer::Body(std::string(kMaxManifestBytes, 'j')));
  server.Set("/over", TestServer::Body(std::string(kMaxManifestBytes + 1, 'j')));
  server.Set("/flood", TestServer::Flood(10u << 20, false));
  server.Set("/gzip", TestServer::Gzip(std::string(1u << 20, 'j')));
  server.Set("/missing", TestServer::Status(404));
  server.Set("/silent", TestServer::Silent());
  server.Set("/to-file", TestServer::Redirect("file:///etc/passwd"));

  const TextFetch exact = FetchBoundedText(server.Base() + "exact", kMaxManifestBytes);
  EXPECT_TRUE(exact.ok()) << exact.error;
  EXPECT_EQ(exact.body.size(), kMaxManifestBytes);
  for (const char* path : {"over", "flood", "gzip", "missing", "to-file"}) {
    const TextFetch t = FetchBoundedText(server.Base() + path, kMaxManifestBytes);
    EXPECT_FALSE(t.ok()) << path;
    EXPECT_TRUE(t.body.empty()) << path;
  }
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(FetchBoundedText(server.Base() + "silent", kMaxManifestBytes, 1s).ok());
  EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
  EXPECT_FALSE(FetchBoundedText("file:///etc/passwd", kMaxManifestBytes).ok());
}

}  // namespace
}  // namespace lumora
