#pragma once

#include <httplib.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "tools/demo_service/demo_release.h"
#include "tools/demo_service/request_log.h"

namespace lumora::demo {

// The address the client is built to talk to by default. Address pages in the site are stored
// with this base; when we listen elsewhere they are served rebased onto our real address.
inline constexpr std::string_view kDefaultBase = "http://127.0.0.1:8780/";
inline constexpr int kDefaultPort = 8780;

// The demo portal: the static site under `root` on loopback, a request log, and the small
// /event endpoint the pages use to report their milestones ("home-load", "playing").
class DemoServer {
 public:
  // `release`, when given, is served at update/ and may offer the upgrade; it must outlive
  // the server.
  DemoServer(const std::filesystem::path& root, RequestLog& log, DemoRelease* release = nullptr);
  DemoServer(const DemoServer&) = delete;
  DemoServer& operator=(const DemoServer&) = delete;

  // Every page under ads/ is answered only after `delay`, as a slow but working service; set
  // before Serve().
  void SetPageDelay(std::chrono::milliseconds delay) { delay_ = delay; }
  // Binds 127.0.0.1:port (0 picks a free port). Returns the bound port, or -1.
  int Bind(int port);
  // "http://127.0.0.1:PORT/" once bound.
  const std::string& BaseAddress() const { return base_; }
  // Serves until Stop(); false when the listening socket failed.
  bool Serve();
  bool IsServing() const { return server_.is_running(); }
  void Stop() { server_.stop(); }

 private:
  // The address page at the request path `path`, rebased onto our real address; nothing when
  // the path names no such page or we listen at the default address.
  std::optional<std::string> RebasedAddressPage(const std::string& path) const;

  std::filesystem::path root_;
  httplib::Server server_;
  RequestLog& log_;
  DemoRelease* release_;
  std::string base_;
  std::chrono::milliseconds delay_{0};
};

}  // namespace lumora::demo
