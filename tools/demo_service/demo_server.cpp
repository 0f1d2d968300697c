#include "tools/demo_service/demo_server.h"

#include <sys/socket.h>

#include <ctime>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <thread>
#include <utility>

namespace lumora::demo {

namespace {

// The client's browsers share one pool of up to six connections per host and keep them open;
// each open connection holds a server thread until its keep-alive time runs out. The library's
// default pool (8 threads on small machines) would then make a seventh browser wait seconds.
constexpr std::size_t kServerThreads = 32;
// The library closes a connection after 5 requests by default; the client's fetches and the
// fetch benchmark want one connection for a whole run of page fetches.
constexpr std::size_t kRequestsPerConnection = 1000;
// The library closes a connection after 5 idle seconds by default, just as the client's
// start-up ends its 5-second wait, so its next fetches needed a new connection. A common web
// server's default is 75 s; stopping does not wait for idle connections (see main.cpp).
constexpr time_t kKeepAliveSeconds = 75;
// Nothing we serve accepts a request body.
constexpr std::size_t kMaxRequestBody = 64 * 1024;
// Address pages are one short line; anything longer is content, not an address.
constexpr std::size_t kMaxAddressPageLength = 2048;

// Set explicitly rather than trusting the library's table to stay the same.
constexpr std::pair<const char*, const char*> kContentTypes[] = {
    {"html", "text/html"},        {"css", "text/css"},   {"js", "text/javascript"},
    {"json", "application/json"}, {"txt", "text/plain"}, {"svg", "image/svg+xml"},
    {"png", "image/png"},         {"jpg", "image/jpeg"}, {"ico", "image/x-icon"},
    {"webm", "video/webm"},       {"mp4", "video/mp4"},  {"vtt", "text/vtt"}};

const char* ContentTypeOf(std::string_view path) {
  const auto dot = path.rfind('.');
  if (dot != std::string_view::npos && path.find('/', dot) == std::string_view::npos) {
    for (const auto& [extension, type] : kContentTypes) {
      if (path.substr(dot + 1) == extension) return type;
    }
  }
  return "application/octet-stream";
}

// Hands accepted connections to a thread pool and writes one "ACCEPT #n" line per connection,
// so a log reader can tell reused connections from new ones.
class LoggingTaskQueue : public httplib::TaskQueue {
 public:
  explicit LoggingTaskQueue(RequestLog& log) : log_(log), pool_(kServerThreads) {}

  // Since cpp-httplib 0.15 the queue answers whether it took the connection; before, nothing.
  using Taken = decltype(std::declval<httplib::TaskQueue&>().enqueue(std::function<void()>()));
  Taken enqueue(std::function<void()> fn) override {
    log_.Write("ACCEPT", "#" + std::to_string(++connections_));
    return pool_.enqueue(std::move(fn));
  }
  void shutdown() override { pool_.shutdown(); }

 private:
  RequestLog& log_;
  httplib::ThreadPool pool_;
  unsigned long connections_ = 0;  // only the accepting thread counts
};

// The library's default adds SO_REUSEPORT, which lets a second service bind the same port and
// silently take half the connections (and log them elsewhere). Plain SO_REUSEADDR still allows
// a quick restart but refuses a port that is in use.
void ExclusiveSocketOptions(socket_t sock) {
  int yes = 1;
  setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof(yes));
}

}  // namespace

DemoServer::DemoServer(const std::filesystem::path& root, RequestLog& log, DemoRelease* release)
    : root_(root), log_(log), release_(release) {
  server_.new_task_queue = [this] { return new LoggingTaskQueue(log_); };
  server_.set_socket_options(ExclusiveSocketOptions);
  // Headers and body go out in separate writes; with Nagle on, a reused connection waits for
  // the peer's delayed ACK (about 40 ms) before each body, which would swamp a page fetch.
  server_.set_tcp_nodelay(true);
  server_.set_payload_max_length(kMaxRequestBody);
  server_.set_keep_alive_max_count(kRequestsPerConnection);
  server_.set_keep_alive_timeout(kKeepAliveSeconds);

  // Logged on arrival, before any handler runs, so the log shows when the client asked.
  server_.set_pre_routing_handler([this](const httplib::Request& req, httplib::Response& res) {
    log_.Write(req.method, req.target);
    if (delay_.count() > 0 && req.path.starts_with("/ads/")) std::this_thread::sleep_for(delay_);
    if (release_ != nullptr) {
      if (const auto page = release_->OfferedPage(req.path)) {
        res.set_header("Cache-Control", "no-cache");
        res.set_content(*page, "text/html");
        return httplib::Server::HandlerResponse::Handled;
      }
    }
    // Answered here rather than after the library's file handler: newer versions of the
    // library stream a file from disk, so that handler never sees the body to rebase.
    if (req.method == "GET" || req.method == "HEAD") {
      if (const auto page = RebasedAddressPage(req.path)) {
        res.set_header("Cache-Control", "no-cache");
        res.set_content(*page, ContentTypeOf(req.path));
        return httplib::Server::HandlerResponse::Handled;
      }
    }
    return httplib::Server::HandlerResponse::Unhandled;
  });

  // Pages are edited while the demo runs (switches flipped by hand), so nothing may be reused
  // from a cache without asking again.
  server_.set_mount_point("/", root.string(), {{"Cache-Control", "no-cache"}});
  for (const auto& [extension, type] : kContentTypes) {
    server_.set_file_extension_and_mimetype_mapping(extension, type);
  }
  server_.set_file_request_handler([](const httplib::Request&, httplib::Response& res) {
    if (!res.has_header("Content-Type")) {
      res.set_header("Content-Type", "application/octet-stream");
    }
  });

  if (release_ != nullptr) release_->AddRoutes(server_);

  // Milestones reported by the pages; the request line in the log is the record.
  server_.Get("/event", [](const httplib::Request&, httplib::Response& res) {
    res.status = 204;
    res.set_header("Cache-Control", "no-store");
  });
}

std::optional<std::string> DemoServer::RebasedAddressPage(const std::string& path) const {
  if (base_.empty() || base_ == kDefaultBase) return std::nullopt;
  // Only a plain file below the site: no way up, no hidden or odd names.
  if (!path.starts_with('/') || path.find("/.") != std::string::npos ||
      path.find_first_of(std::string_view("\\\0", 2)) != std::string::npos) {
    return std::nullopt;
  }
  const std::filesystem::path file = root_ / path.substr(1);
  std::error_code ec;
  if (!std::filesystem::is_regular_file(file, ec)) return std::nullopt;
  const auto size = std::filesystem::file_size(file, ec);
  if (ec || size > kMaxAddressPageLength) return std::nullopt;
  std::ifstream in(file, std::ios::binary);
  if (!in) return std::nullopt;
  std::string body((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (!body.starts_with(kDefaultBase) || body.find_first_of("\r\n<") != std::string::npos) {
    return std::nullopt;
  }
  body.replace(0, kDefaultBase.size(), base_);
  return body;
}

int DemoServer::Bind(int port) {
  constexpr const char* kLoopback = "127.0.0.1";
  int bound = -1;
  if (port == 0) {
    bound = server_.bind_to_any_port(kLoopback);
  } else if (server_.bind_to_port(kLoopback, port)) {
    bound = port;
  }
  if (bound > 0) base_ = "http://127.0.0.1:" + std::to_string(bound) + "/";
  return bound > 0 ? bound : -1;
}

bool DemoServer::Serve() {
  return server_.listen_after_bind();
}

}  // namespace lumora::demo
