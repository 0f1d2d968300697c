// lumora-demo-service: the demo portal the client talks to on this machine.
//
//   lumora-demo-service [--root DIR] [--port N] [--log FILE] [--update DIR] [--offer-upgrade]
//
// Prints "listening http://127.0.0.1:PORT/" on stdout once it accepts connections, so a script
// that asked for port 0 learns the port it got.

#include <pthread.h>
#include <signal.h>

#include <atomic>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <thread>

#include "tools/demo_service/demo_server.h"
#include "tools/demo_service/request_log.h"

namespace fs = std::filesystem;
using lumora::demo::DemoServer;
using lumora::demo::RequestLog;

namespace {

constexpr const char* kUsage =
    "usage: lumora-demo-service [--root DIR] [--port N] [--log FILE] [--update DIR]\n"
    "                           [--offer-upgrade] [--delay MS]\n"
    "  --root DIR   site to serve (default: the repository's demo/site)\n"
    "  --port N     loopback port, 0 picks a free one (default: 8780)\n"
    "  --log FILE   append one line per request: <unix time.ms> <method> <target>;\n"
    "               \"-\" writes to stderr (default: no request log)\n"
    "  --update DIR  serve a signed release (latest.json, its .minisig, the package) at\n"
    "                update/ (default: the build's demo release, when it was made)\n"
    "  --offer-upgrade  tell every client its build is outdated (the forced-upgrade switch\n"
    "                and version pages on) until the release package has gone out whole\n"
    "  --delay MS   answer every page of ads/ only after MS milliseconds, up to 60000: a\n"
    "               slow service that still works (default: 0)\n";

constexpr std::chrono::milliseconds kStopGrace{1000};
// Outlives main, so the stopping thread may still read it while the process winds down.
std::atomic<bool> served{false};

struct Options {
  std::optional<fs::path> root;
  int port = lumora::demo::kDefaultPort;
  std::optional<std::string> log;
  std::optional<fs::path> update;
  bool offer_upgrade = false;
  std::chrono::milliseconds delay{0};
};

std::optional<int> ParsePort(std::string_view text) {
  int port = -1;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), port);
  if (error != std::errc() || end != text.data() + text.size() || port < 0 || port > 65535) {
    return std::nullopt;
  }
  return port;
}

// Returns nullopt after printing why, for any argument we do not understand.
std::optional<Options> ParseOptions(int argc, char** argv) {
  Options options;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      std::fputs(kUsage, stdout);
      std::exit(0);
    }
    if (arg == "--offer-upgrade") {
      options.offer_upgrade = true;
      continue;
    }
    if (i + 1 >= argc ||
        (arg != "--root" && arg != "--port" && arg != "--log" && arg != "--update" &&
         arg != "--delay")) {
      std::fprintf(stderr, "lumora-demo-service: unexpected argument '%s'\n%s", argv[i], kUsage);
      return std::nullopt;
    }
    const std::string_view value = argv[++i];
    if (arg == "--root") {
      options.root = fs::path(value);
    } else if (arg == "--update") {
      options.update = fs::path(value);
    } else if (arg == "--log") {
      options.log = std::string(value);
    } else if (arg == "--delay") {
      int ms = -1;
      const auto [end, failed] = std::from_chars(value.data(), value.data() + value.size(), ms);
      if (failed != std::errc() || end != value.data() + value.size() || ms < 0 || ms > 60000) {
        std::fprintf(stderr, "lumora-demo-service: bad delay '%s'\n", argv[i]);
        return std::nullopt;
      }
      options.delay = std::chrono::milliseconds(ms);
    } else if (const auto port = ParsePort(value)) {
      options.port = *port;
    } else {
      std::fprintf(stderr, "lumora-demo-service: bad port '%s'\n", argv[i]);
      return std::nullopt;
    }
  }
  return options;
}

// The site travels with the source tree; look for it relative to this program first, so a
// build tree moved together with its checkout still works, then where it was at build time.
std::optional<fs::path> DefaultRoot() {
  std::error_code error;
  const fs::path self = fs::read_symlink("/proc/self/exe", error);
  if (!error) {
    const fs::path beside = self.parent_path() / LUMORA_DEMO_SITE_FROM_BINARY;
    if (fs::is_directory(beside, error)) return beside;
  }
  if (fs::is_directory(LUMORA_DEMO_SITE_DIR, error)) return fs::path(LUMORA_DEMO_SITE_DIR);
  return std::nullopt;
}

// Signals are taken by one thread with sigwait, so stopping is ordinary code rather than
// something squeezed into an async-signal handler.
sigset_t BlockStopSignals() {
  // A shell starts background jobs with SIGINT ignored; a demo service left running after the
  // script that started it was interrupted is worse than one that stops with it. SIGHUP stays
  // ignored when it was (nohup).
  signal(SIGINT, SIG_DFL);
  signal(SIGTERM, SIG_DFL);
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGTERM);
  struct sigaction hangup {};
  if (sigaction(SIGHUP, nullptr, &hangup) == 0 && hangup.sa_handler != SIG_IGN) {
    sigaddset(&signals, SIGHUP);
  }
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);
  return signals;
}

}  // namespace

int main(int argc, char** argv) {
  const auto options = ParseOptions(argc, argv);
  if (!options) return 2;

  const auto root = options->root ? options->root : DefaultRoot();
  std::error_code error;
  if (!root || !fs::is_directory(*root, error)) {
    std::fprintf(stderr, "lumora-demo-service: no site directory%s%s; pass --root DIR\n",
                 root ? " at " : "", root ? root->c_str() : "");
    return 2;
  }
  const fs::path site = fs::canonical(*root, error);

  std::FILE* log_file = nullptr;
  if (options->log == "-") {
    log_file = stderr;
  } else if (options->log) {
    log_file = std::fopen(options->log->c_str(), "a");
    if (log_file == nullptr) {
      std::fprintf(stderr, "lumora-demo-service: cannot open log %s: %s\n", options->log->c_str(),
                   std::strerror(errno));
      return 2;
    }
  }
  RequestLog log(log_file);

  // The release the build made of itself, unless another is named.
  std::optional<fs::path> update = options->update;
  if (!update && fs::is_regular_file(fs::path(LUMORA_DEMO_RELEASE_DIR) / "latest.json", error)) {
    update = fs::path(LUMORA_DEMO_RELEASE_DIR);
  }
  if (options->offer_upgrade && !update) {
    std::fprintf(stderr, "lumora-demo-service: --offer-upgrade needs a release (--update DIR)\n");
    return 2;
  }
  std::optional<lumora::demo::DemoRelease> release;
  if (update) release.emplace(*update, options->offer_upgrade);

  // A browser that drops a video connection mid-transfer must not end the service.
  signal(SIGPIPE, SIG_IGN);
  const sigset_t stop_signals = BlockStopSignals();

  DemoServer server(site, log, release ? &*release : nullptr);
  server.SetPageDelay(options->delay);
  const int port = server.Bind(options->port);
  if (port < 0) {
    std::fprintf(stderr, "lumora-demo-service: cannot listen on 127.0.0.1:%d (in use?)\n",
                 options->port);
    return 1;
  }

  // Stopping closes the listening socket at once, but the library then waits for every worker,
  // and a worker on an idle keep-alive connection (browsers keep several) only notices after
  // its keep-alive time. Requests in flight get a moment to finish; then we leave regardless,
  // since every log line is already flushed.
  std::thread([&server, stop_signals] {
    int signal_number = 0;
    sigwait(&stop_signals, &signal_number);
    // A signal that lands between bind and listen must still stop the loop once it runs.
    while (!server.IsServing()) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    server.Stop();
    for (int i = 0; i < 50 && !served; ++i) std::this_thread::sleep_for(kStopGrace / 50);
    if (!served) std::_Exit(0);
  }).detach();

  std::fprintf(stderr, "lumora-demo-service: serving %s\n", site.c_str());
  if (update) std::fprintf(stderr, "lumora-demo-service: release from %s\n", update->c_str());
  std::printf("listening %s\n", server.BaseAddress().c_str());
  std::fflush(stdout);
  const bool ok = server.Serve();
  served = true;
  return ok ? 0 : 1;
}
