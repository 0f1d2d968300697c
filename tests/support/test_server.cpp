#include "tests/support/test_server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <string_view>

namespace lumora::testing {
namespace {

std::string Reason(int status) {
  switch (status) {
    case 200:
      return "OK";
    case 206:
      return "Partial Content";
    case 302:
      return "Found";
    case 404:
      return "Not Found";
    case 500:
      return "Internal Server Error";
    default:
      return "Status";
  }
}

std::string StatusLine(int status) {
  return "HTTP/1.1 " + std::to_string(status) + " " + Reason(status) + "\r\n";
}

// The target of a request line "GET /path HTTP/1.1".
std::string RequestTarget(const std::string& head) {
  const auto first = head.find(' ');
  if (first == std::string::npos) return {};
  const auto second = head.find(' ', first + 1);
  return head.substr(first + 1,
                     second == std::string::npos ? std::string::npos : second - first - 1);
}

bool WantsClose(const std::string& head) {
  std::string lower = head;
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return lower.find("\r\nconnection: close") != std::string::npos;
}

// N of a "Range: bytes=N-" header, or -1 when the request has none of that form.
long long RangeFrom(const std::string& head) {
  std::string lower = head;
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  constexpr std::string_view kField = "\r\nrange: bytes=";
  const auto at = lower.find(kField);
  if (at == std::string::npos) return -1;
  std::size_t i = at + kField.size();
  long long value = -1;
  for (; i < lower.size() && std::isdigit(static_cast<unsigned char>(lower[i])); ++i) {
    value = (value < 0 ? 0 : value * 10) + (lower[i] - '0');
  }
  return i < lower.size() && lower[i] == '-' ? value : -1;
}

}  // namespace

TestServer::Answer TestServer::File(std::string body, bool ranges) {
  Answer a = Of(Answer::Kind::File);
  a.body = std::move(body);
  a.ranges = ranges;
  return a;
}

TestServer::Answer TestServer::Body(std::string body, int status) {
  Answer a = Of(Answer::Kind::Body);
  a.status = status;
  a.body = std::move(body);
  return a;
}

TestServer::Answer TestServer::Redirect(std::string location) {
  Answer a = Body("", 302);
  a.location = std::move(location);
  return a;
}

TestServer::Answer TestServer::Flood(std::size_t size, bool with_length) {
  Answer a = Of(Answer::Kind::Flood);
  a.size = size;
  a.with_length = with_length;
  return a;
}

TestServer::Answer TestServer::Drip(std::string body, std::chrono::milliseconds interval) {
  Answer a = Of(Answer::Kind::Drip);
  a.body = std::move(body);
  a.interval = interval;
  return a;
}

TestServer::Answer TestServer::Gzip(const std::string& plain) {
  z_stream z{};
  if (deflateInit2(&z, Z_BEST_COMPRESSION, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
    throw std::runtime_error("deflateInit2");
  }
  std::string out(deflateBound(&z, plain.size()), '\0');
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(plain.data()));
  z.avail_in = static_cast<uInt>(plain.size());
  z.next_out = reinterpret_cast<Bytef*>(out.data());
  z.avail_out = static_cast<uInt>(out.size());
  const int rc = deflate(&z, Z_FINISH);
  out.resize(z.total_out);
  deflateEnd(&z);
  if (rc != Z_STREAM_END) throw std::runtime_error("deflate");
  Answer a = Body(std::move(out));
  a.headers.push_back("Content-Encoding: gzip");
  return a;
}

TestServer::TestServer() {
  listen_fd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  int pipe_fds[2];
  if (listen_fd_ < 0 || pipe2(pipe_fds, O_CLOEXEC | O_NONBLOCK) != 0) {
    throw std::runtime_error("test server: no socket");
  }
  wake_read_ = pipe_fds[0];
  wake_write_ = pipe_fds[1];
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  addr.sin_port = 0;
  socklen_t len = sizeof addr;
  if (bind(listen_fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
      listen(listen_fd_, 64) != 0 ||
      getsockname(listen_fd_, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
    throw std::runtime_error(std::string("test server: ") + std::strerror(errno));
  }
  port_ = ntohs(addr.sin_port);
  acceptor_ = std::thread([this] { AcceptLoop(); });
}

TestServer::~TestServer() {
  stopping_ = true;
  // Never read, so the pipe stays readable and wakes every wait, now and later.
  [[maybe_unused]] const ssize_t n = write(wake_write_, "x", 1);
  acceptor_.join();
  for (Worker& w : workers_) w.thread.join();
  close(listen_fd_);
  close(wake_read_);
  close(wake_write_);
}

void TestServer::Set(const std::string& path, TestServer::Answer answer) {
  std::lock_guard lock(mutex_);
  answers_[path] = std::move(answer);
}

std::string TestServer::Base() const {
  return "http://127.0.0.1:" + std::to_string(port_) + "/";
}

std::vector<std::string> TestServer::RequestedPaths() const {
  std::lock_guard lock(mutex_);
  return requested_;
}

bool TestServer::Wait(int fd, short events, int timeout_ms) {
  pollfd fds[2] = {{wake_read_, POLLIN, 0}, {fd, events, 0}};
  const nfds_t count = fd < 0 ? 1 : 2;
  int rc = 0;
  do {
    rc = poll(fds, count, timeout_ms);
  } while (rc < 0 && errno == EINTR);
  if (stopping_ || rc <= 0) return false;
  return (fds[0].revents & POLLIN) == 0;
}

void TestServer::AcceptLoop() {
  while (Wait(listen_fd_, POLLIN)) {
    const int fd = accept4(listen_fd_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (fd < 0) continue;
    ++connections_;
    const int on = 1;  // small answers go out at once, as a real server's would
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    std::erase_if(workers_, [](Worker& w) {
      if (!*w.done) return false;
      w.thread.join();
      return true;
    });
    auto done = std::make_shared<std::atomic<bool>>(false);
    workers_.push_back({std::thread([this, fd, done] {
                          Serve(fd);
                          *done = true;
                        }),
                        done});
  }
}

bool TestServer::SendAll(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t n = send(fd, data, size, MSG_NOSIGNAL);
    if (n > 0) {
      data += n;
      size -= static_cast<std::size_t>(n);
    } else if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
      if (!Wait(fd, POLLOUT)) return false;
    } else {
      return false;  // the client went away
    }
  }
  return true;
}

void TestServer::Serve(int fd) {
  std::string pending;
  After after = After::KeepOpen;
  while (after == After::KeepOpen) {
    // Read one request head; its body, if any, is not needed for GET.
    std::size_t end = std::string::npos;
    while ((end = pending.find("\r\n\r\n")) == std::string::npos && pending.size() < 65536) {
      char buf[4096];
      const ssize_t n = recv(fd, buf, sizeof buf, 0);
      if (n > 0) {
        pending.append(buf, static_cast<std::size_t>(n));
      } else if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
        if (!Wait(fd, POLLIN)) break;
      } else {
        break;
      }
    }
    if (end == std::string::npos) break;
    const std::string head = pending.substr(0, end);
    pending.erase(0, end + 4);
    const std::string path = RequestTarget(head);
    TestServer::Answer answer = Status(404);
    {
      std::lock_guard lock(mutex_);
      requested_.push_back(path);
      if (auto it = answers_.find(path); it != answers_.end()) answer = it->second;
    }
    after = Respond(fd, answer, head);
    if (after == After::KeepOpen && WantsClose(head)) after = After::Close;
  }
  if (after != After::Closed) close(fd);
}

TestServer::After TestServer::SendFile(int fd, const TestServer::Answer& a,
                                       const std::string& request) {
  const long long from = a.ranges ? RangeFrom(request) : -1;
  std::string head;
  std::size_t start = 0;
  if (from >= 0 && static_cast<std::size_t>(from) >= a.body.size()) {
    head = StatusLine(416) + "Content-Range: bytes */" + std::to_string(a.body.size()) +
           "\r\nContent-Length: 0\r\n\r\n";
    return SendAll(fd, head) ? After::KeepOpen : After::Close;
  }
  if (from >= 0) {
    start = static_cast<std::size_t>(from);
    head = StatusLine(206) + "Content-Range: bytes " + std::to_string(start) + "-" +
           std::to_string(a.body.size() - 1) + "/" + std::to_string(a.body.size()) + "\r\n";
  } else {
    head = StatusLine(200);
    if (a.ranges) head += "Accept-Ranges: bytes\r\n";
  }
  head += "Content-Type: application/octet-stream\r\nContent-Length: " +
          std::to_string(a.body.size() - start) + "\r\n\r\n";
  const std::size_t count = std::min(a.body.size() - start, a.cut_after);
  if (!SendAll(fd, head) || !SendAll(fd, a.body.data() + start, count)) return After::Close;
  if (count == a.body.size() - start) return After::KeepOpen;
  if (a.hang) {
    char buf[4096];
    while (Wait(fd, POLLIN)) {
      if (recv(fd, buf, sizeof buf, 0) <= 0) break;
    }
  }
  return After::Close;
}

TestServer::After TestServer::Respond(int fd, const TestServer::Answer& a,
                                      const std::string& request) {
  using Kind = Answer::Kind;
  std::string head;
  switch (a.kind) {
    case Kind::Body: {
      head = StatusLine(a.status) +
             "Content-Type: text/html\r\nContent-Length: " + std::to_string(a.body.size()) + "\r\n";
      if (!a.location.empty()) head += "Location: " + a.location + "\r\n";
      for (const std::string& h : a.headers) head += h + "\r\n";
      head += "\r\n";
      return SendAll(fd, head + a.body) ? After::KeepOpen : After::Close;
    }
    case Kind::Endless: {
      head = StatusLine(200) + "Content-Type: text/html\r\nTransfer-Encoding: chunked\r\n\r\n";
      const std::string chunk = "4000\r\n" + std::string(0x4000, 'x') + "\r\n";
      if (!SendAll(fd, head)) return After::Close;
      while (SendAll(fd, chunk)) {
      }
      return After::Close;
    }
    case Kind::Silent: {
      char buf[4096];
      while (Wait(fd, POLLIN)) {
        if (recv(fd, buf, sizeof buf, 0) == 0) break;  // the client gave up
      }
      return After::Close;
    }
    case Kind::Reset: {
      const linger hard{1, 0};  // close with RST instead of FIN
      setsockopt(fd, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
      close(fd);
      return After::Closed;
    }
    case Kind::Flood: {
      head = StatusLine(200) + "Content-Type: text/html\r\n";
      head += a.with_length ? "Content-Length: " + std::to_string(a.size) + "\r\n\r\n"
                            : "Connection: close\r\n\r\n";
      if (!SendAll(fd, head)) return After::Close;
      const std::string block(65536, 'x');
      for (std::size_t left = a.size; left > 0;) {
        const std::size_t n = std::min(left, block.size());
        if (!SendAll(fd, block.data(), n)) return After::Close;
        left -= n;
      }
      return a.with_length ? After::KeepOpen : After::Close;
    }
    case Kind::Drip: {
      head = StatusLine(200) +
             "Content-Type: text/html\r\nContent-Length: " + std::to_string(a.body.size()) +
             "\r\n\r\n";
      if (!SendAll(fd, head)) return After::Close;
      for (char c : a.body) {
        Wait(-1, 0, static_cast<int>(a.interval.count()));  // a pause that ends early on stop
        if (stopping_ || !SendAll(fd, &c, 1)) return After::Close;
      }
      return After::KeepOpen;
    }
    case Kind::File:
      return SendFile(fd, a, request);
  }
  return After::Close;
}

}  // namespace lumora::testing
