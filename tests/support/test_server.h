// A loopback HTTP server for tests that answers each path as told, including the ways a
// real service goes wrong: errors, redirects, hangs, resets, floods and trickles.
#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace lumora::testing {

class TestServer {
 public:
  struct Answer {
    enum class Kind {
      Body,     // status, headers (and `location`) and a body with its length; stays open
      Endless,  // a chunked body that never ends
      Silent,   // reads the request and never answers
      Reset,    // reads the request and resets the connection
      Flood,    // `size` bytes of 'x', with or without a length
      Drip,     // `body` with its length, one byte every `interval`
      File,     // `body` as a file: honours "Range: bytes=N-" when `ranges`; each answer
                // stops after `cut_after` body bytes, then closes or (`hang`) goes silent
    };
    Kind kind = Kind::Body;
    int status = 200;
    std::string body;
    std::string location;
    std::vector<std::string> headers;  // extra header lines, "Name: value"
    std::size_t size = 0;
    bool with_length = true;
    std::chrono::milliseconds interval{1000};
    bool ranges = true;
    std::size_t cut_after = static_cast<std::size_t>(-1);
    bool hang = false;
  };

  static Answer Of(Answer::Kind kind) {
    Answer a;
    a.kind = kind;
    return a;
  }
  static Answer Body(std::string body, int status = 200);
  static Answer Status(int status) { return Body("error " + std::to_string(status), status); }
  static Answer Redirect(std::string location);
  // `plain` compressed with gzip, sent with "Content-Encoding: gzip".
  static Answer Gzip(const std::string& plain);
  static Answer Endless() { return Of(Answer::Kind::Endless); }
  static Answer Silent() { return Of(Answer::Kind::Silent); }
  static Answer Reset() { return Of(Answer::Kind::Reset); }
  static Answer Flood(std::size_t size, bool with_length);
  static Answer Drip(std::string body, std::chrono::milliseconds interval);
  static Answer File(std::string body, bool ranges = true);

  // Listens on 127.0.0.1 at a port the system picks. Paths without an answer get 404.
  TestServer();
  // Stops within a fraction of a second, whatever the connections are doing.
  ~TestServer();
  TestServer(const TestServer&) = delete;
  TestServer& operator=(const TestServer&) = delete;

  // `path` as requested, with its leading "/" ("/ads/ksqd.html").
  void Set(const std::string& path, Answer answer);
  int Port() const { return port_; }
  // "http://127.0.0.1:PORT/"
  std::string Base() const;
  int Connections() const { return connections_.load(); }
  std::vector<std::string> RequestedPaths() const;

 private:
  void AcceptLoop();
  void Serve(int fd);
  enum class After { KeepOpen, Close, Closed };
  After Respond(int fd, const TestServer::Answer& answer, const std::string& head);
  After SendFile(int fd, const TestServer::Answer& answer, const std::string& head);
  bool SendAll(int fd, const char* data, std::size_t size);
  bool SendAll(int fd, const std::string& s) { return SendAll(fd, s.data(), s.size()); }
  // Waits for `events` on `fd` (-1: none, just the time); false when stopping or after
  // `timeout_ms` (-1: no limit).
  bool Wait(int fd, short events, int timeout_ms = -1);

  int listen_fd_ = -1;
  int wake_read_ = -1;
  int wake_write_ = -1;
  int port_ = 0;
  std::atomic<bool> stopping_{false};
  std::atomic<int> connections_{0};
  mutable std::mutex mutex_;
  std::map<std::string, TestServer::Answer> answers_;
  std::vector<std::string> requested_;
  struct Worker {
    std::thread thread;
    std::shared_ptr<std::atomic<bool>> done;
  };
  std::vector<Worker> workers_;  // joined when done, so a long run does not pile them up
  std::thread acceptor_;
};

}  // namespace lumora::testing
