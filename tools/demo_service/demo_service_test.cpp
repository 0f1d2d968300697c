// Runs the real lumora-demo-service on a free loopback port and checks what the client and the
// tests rely on: stored bytes exactly, address pages pointing at the running service, the request
// log, ranges for the video, nothing outside the site, and a port that cannot be shared.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <httplib.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;

namespace {

const fs::path kSite = LUMORA_DEMO_SITE_DIR;
constexpr const char* kProgram = LUMORA_DEMO_SERVICE_PROGRAM;
constexpr std::string_view kStoredBase = "http://127.0.0.1:8780/";

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// One service process; its first stdout line tells the port it got.
class ServiceProcess {
 public:
  ServiceProcess(int port, const fs::path& log, const std::vector<std::string>& extra = {}) {
    int out[2];
    if (pipe(out) != 0) return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    const std::string port_text = std::to_string(port);
    const std::string log_text = log.string();
    const std::string root_text = kSite.string();
    std::vector<char*> argv = {const_cast<char*>(kProgram),          const_cast<char*>("--root"),
                               const_cast<char*>(root_text.c_str()), const_cast<char*>("--port"),
                               const_cast<char*>(port_text.c_str()), const_cast<char*>("--log"),
                               const_cast<char*>(log_text.c_str())};
    for (const std::string& arg : extra) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    if (posix_spawn(&pid_, kProgram, &actions, nullptr, argv.data(), environ) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    stdout_ = out[0];
  }
  ~ServiceProcess() {
    Stop();
    if (stdout_ >= 0) close(stdout_);
  }

  // The "listening http://127.0.0.1:PORT/" line, or empty when the process ends or stalls first.
  std::string WaitForListeningLine() {
    std::string line;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < deadline) {
      pollfd fd{stdout_, POLLIN, 0};
      if (poll(&fd, 1, 100) <= 0) continue;
      char c = 0;
      if (read(stdout_, &c, 1) != 1) return {};
      if (c == '\n') return line;
      line += c;
    }
    return {};
  }

  // Exit status after SIGTERM (or after the process ended by itself).
  std::optional<int> Stop(bool terminate = true) {
    if (pid_ <= 0) return std::nullopt;
    if (terminate) kill(pid_, SIGTERM);
    int status = 0;
    for (int i = 0; i < 100; ++i) {
      if (waitpid(pid_, &status, WNOHANG) == pid_) {
        pid_ = -1;
        return WIFEXITED(status) ? std::optional(WEXITSTATUS(status)) : std::nullopt;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    kill(pid_, SIGKILL);
    waitpid(pid_, &status, 0);
    pid_ = -1;
    return std::nullopt;
  }

 private:
  pid_t pid_ = -1;
  int stdout_ = -1;
};

class DemoServiceTest : public testing::Test {
 protected:
  void SetUp() override { Start({}); }
  void Start(const std::vector<std::string>& extra) {
    client_.reset();
    if (service_) service_->Stop();
    log_ = fs::temp_directory_path() / ("demo-service-test-" + std::to_string(getpid()) + ".log");
    fs::remove(log_);
    service_.emplace(0, log_, extra);
    const std::string line = service_->WaitForListeningLine();
    std::smatch match;
    ASSERT_TRUE(
        std::regex_match(line, match, std::regex(R"(listening (http://127\.0\.0\.1:(\d+)/))")))
        << "first stdout line: '" << line << "'";
    base_ = match[1];
    port_ = std::stoi(match[2]);
    client_.emplace("127.0.0.1", port_);
    client_->set_connection_timeout(std::chrono::seconds(5));
    client_->set_read_timeout(std::chrono::seconds(5));
    client_->set_keep_alive(true);
  }
  void TearDown() override {
    client_.reset();  // an idle keep-alive connection would hold the service's shutdown
    if (service_) {
      EXPECT_EQ(service_->Stop(), 0) << "the service must stop cleanly on SIGTERM";
    }
    fs::remove(log_);
  }

  httplib::Result Get(const std::string& path, const httplib::Headers& headers = {}) {
    return client_->Get(path.c_str(), headers);
  }
  std::vector<std::string> LogLines() {
    std::istringstream in(ReadFile(log_));
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
  }

  fs::path log_;
  std::optional<ServiceProcess> service_;
  std::optional<httplib::Client> client_;
  std::string base_;
  int port_ = 0;
};

TEST_F(DemoServiceTest, TextPagesAreServedAsStoredAndSwitchesAreExactWords) {
  const std::string on = "\xBF\xAA", off = "\xB9\xD8";  // "开" and "关" in GBK
  int text_pages = 0;
  for (const auto& entry : fs::directory_iterator(kSite / "ads")) {
    std::string stored = ReadFile(entry.path());
    if (stored.find('<') != std::string::npos) continue;  // a shown page, not a text page
    ++text_pages;
    const std::string name = entry.path().filename().string();
    // Address pages follow the service to whatever port it got.
    if (stored.starts_with(kStoredBase)) stored.replace(0, kStoredBase.size(), base_);
    const auto res = Get("/ads/" + name);
    ASSERT_TRUE(res) << name;
    EXPECT_EQ(res->status, 200) << name;
    EXPECT_EQ(res->body, stored) << name << " must arrive byte for byte";
    EXPECT_EQ(res->get_header_value("Content-Type"), "text/html") << name;
    EXPECT_FALSE(stored.ends_with("\n")) << name << " has a trailing line break";
  }
  EXPECT_GE(text_pages, 30);
  for (const char* name : {"ksqd", "zdylm1", "zdylm2", "wz1kg", "wz2kg", "wz3kg", "wz4kg", "qzsj",
                           "1.0.1303.21", "btkg", "ytkg", "ttkg", "rjyyqz"}) {
    const std::string value = ReadFile(kSite / "ads" / (std::string(name) + ".html"));
    EXPECT_TRUE(value == on || value == off) << name << " is neither on nor off";
  }
  EXPECT_EQ(Get("/ads/zdylm1dz.html")->body, base_ + "ads/games.html");
}

TEST_F(DemoServiceTest, EveryRequestIsLoggedOnArrivalWithItsQuery) {
  ASSERT_EQ(Get("/ads/ksqd.html")->status, 200);
  const auto event = Get("/event?name=home-load");
  ASSERT_TRUE(event);
  EXPECT_EQ(event->status, 204);
  ASSERT_EQ(Get("/no-such-page.html")->status, 404);

  const auto lines = LogLines();
  const std::regex request(R"(\d{10,}\.\d{3} (GET|ACCEPT) \S+)");
  for (const auto& line : lines) EXPECT_TRUE(std::regex_match(line, request)) << line;
  const auto has = [&](const std::string& tail) {
    return std::any_of(lines.begin(), lines.end(),
                       [&](const auto& l) { return l.ends_with(tail); });
  };
  EXPECT_TRUE(has(" GET /ads/ksqd.html"));
  EXPECT_TRUE(has(" GET /event?name=home-load"));
  EXPECT_TRUE(has(" GET /no-such-page.html"));
  // One client with keep-alive: one connection for all three requests.
  EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                          [](const auto& l) { return l.find(" ACCEPT ") != std::string::npos; }),
            1);
}

// The client's start-up pauses 5 s between its two groups of fetches; its connection must
// still be open after such a pause, or every start costs a second connection.
TEST_F(DemoServiceTest, AnIdleConnectionOutlastsTheStartUpWait) {
  ASSERT_EQ(Get("/ads/ksqd.html")->status, 200);
  std::this_thread::sleep_for(std::chrono::milliseconds(6500));
  ASSERT_EQ(Get("/ads/ksqd.html")->status, 200);
  const auto lines = LogLines();
  EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                          [](const auto& l) { return l.find(" ACCEPT ") != std::string::npos; }),
            1);
}

TEST_F(DemoServiceTest, AReusedConnectionAnswersWithoutStalls) {
  // With Nagle's algorithm on, every response on a reused connection waits for a delayed ACK
  // (about 40 ms): 50 fetches would take two seconds instead of a few milliseconds.
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < 50; ++i) ASSERT_EQ(Get("/ads/ksqd.html")->status, 200);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
}

TEST_F(DemoServiceTest, VideoAndPagesHaveTheirTypesAndTheVideoServesRanges) {
  const std::string video = ReadFile(kSite / "media" / "demo.webm");
  ASSERT_GT(video.size(), 1000u);
  EXPECT_LT(video.size(), 1024u * 1024u);
  const auto part = Get("/media/demo.webm", {{"Range", "bytes=100-199"}});
  ASSERT_TRUE(part);
  EXPECT_EQ(part->status, 206);
  EXPECT_EQ(part->get_header_value("Content-Type"), "video/webm");
  EXPECT_EQ(part->body, video.substr(100, 100));
  EXPECT_EQ(part->get_header_value("Content-Range"),
            "bytes 100-199/" + std::to_string(video.size()));

  const auto home = Get("/");
  ASSERT_TRUE(home);
  EXPECT_EQ(home->status, 200);
  EXPECT_EQ(home->get_header_value("Content-Type"), "text/html");
  EXPECT_NE(home->body.find("event?name=home-load"), std::string::npos);
  EXPECT_EQ(Get("/assets/site.css")->get_header_value("Content-Type"), "text/css");
}

TEST_F(DemoServiceTest, NothingOutsideTheSiteIsReachable) {
  // demo/make-site.py sits right next to the site root.
  ASSERT_TRUE(fs::exists(kSite.parent_path() / "make-site.py"));
  for (const char* path : {"/../make-site.py", "/%2e%2e/make-site.py", "/ads/../../make-site.py",
                           "/..%2fmake-site.py", "/../../../../../../etc/passwd"}) {
    const auto res = Get(path);
    ASSERT_TRUE(res) << path;
    EXPECT_EQ(res->status, 404) << path;
    EXPECT_EQ(res->body.find("argparse"), std::string::npos) << path;
  }
}

// The demo upgrade: a release at update/ with ranges, and an offer to upgrade that stands
// until the package has gone out to its last byte, so the new build is not sent round again.
TEST_F(DemoServiceTest, OfferedUpgradeEndsOnceTheReleaseHasGoneOutWhole) {
  const fs::path release = fs::temp_directory_path() / ("demo-release-" + std::to_string(getpid()));
  fs::remove_all(release);
  fs::create_directories(release);
  std::string package(300000, '\0');
  for (std::size_t i = 0; i < package.size(); ++i) package[i] = static_cast<char>(i * 7 + i / 251);
  const std::string manifest =
      R"({"version": "9.1", "size": 300000, "package": "update/lumora-9.1.tar.xz"})";
  std::ofstream(release / "lumora-9.1.tar.xz", std::ios::binary) << package;
  std::ofstream(release / "latest.json", std::ios::binary) << manifest;
  std::ofstream(release / "latest.json.minisig", std::ios::binary) << "untrusted comment: x\n";
  Start({"--update", release.string(), "--offer-upgrade"});

  const std::string on = "\xBF\xAA";
  const std::string stored_switch = ReadFile(kSite / "ads" / "qzsj.html");
  ASSERT_NE(stored_switch, on) << "the demo's stored switch is off";
  EXPECT_EQ(Get("/ads/qzsj.html")->body, on);
  EXPECT_EQ(Get("/ads/1.0.1303.21.html")->body, on);
  EXPECT_EQ(Get("/ads/7.2.html")->body, on) << "whatever build asks";
  EXPECT_EQ(Get("/ads/ksqd.html")->body, ReadFile(kSite / "ads" / "ksqd.html"));
  EXPECT_EQ(Get("/update/latest.json")->body, manifest);
  for (const char* path : {"/update/missing", "/update/..", "/update/%2e%2e%2fdemo_release.cpp"}) {
    EXPECT_EQ(Get(path)->status, 404) << path;
  }

  const auto head = Get("/update/lumora-9.1.tar.xz", {{"Range", "bytes=0-999"}});
  ASSERT_TRUE(head);
  EXPECT_EQ(head->status, 206);
  EXPECT_EQ(head->body, package.substr(0, 1000));
  EXPECT_EQ(Get("/ads/qzsj.html")->body, on) << "part of the package is not the whole";

  const auto rest = Get("/update/lumora-9.1.tar.xz", {{"Range", "bytes=1000-"}});
  ASSERT_TRUE(rest);
  EXPECT_EQ(rest->status, 206);
  EXPECT_TRUE(rest->body == package.substr(1000));
  EXPECT_EQ(Get("/ads/qzsj.html")->body, stored_switch);
  EXPECT_EQ(Get("/ads/1.0.1303.21.html")->body, ReadFile(kSite / "ads" / "1.0.1303.21.html"));
  fs::remove_all(release);
}

TEST_F(DemoServiceTest, ASecondServiceCannotShareThePort) {
  const fs::path other_log = log_.string() + ".second";
  ServiceProcess second(port_, other_log);
  EXPECT_EQ(second.WaitForListeningLine(), "");
  EXPECT_EQ(second.Stop(/*terminate=*/false), 1);
  fs::remove(other_log);
}

}  // namespace
