#include "service/fetch.h"

#include <curl/curl.h>

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <stop_token>

#include "platform/trace_file.h"
#include "platform/ui_turn.h"
#include "platform/ui_wait.h"
#include "service/curl_transport.h"
#include "service/pages.h"

namespace lumora {
namespace {

using transport::EasyHandle;
using transport::NewHandle;

struct Body {
  Bytes bytes;
  bool too_large = false;
};

// Counts the decoded bytes as they arrive: a server that sends no length, lies about it or
// compresses a huge body is stopped here, not only by the announced size.
std::size_t AppendBody(char* data, std::size_t size, std::size_t count, void* user) {
  auto* body = static_cast<Body*>(user);
  const std::size_t n = size * count;
  if (body->bytes.size() + n > kMaxPageBytes) {
    body->too_large = true;
    return 0;  // anything but n aborts the transfer
  }
  body->bytes.insert(body->bytes.end(), data, data + n);
  return n;
}

bool Configure(CURL* h, const std::string& address, Body& body, std::chrono::milliseconds limit) {
  bool ok = transport::Configure(h, address, kMaxRedirects);
  auto set = [&ok](CURLcode rc) { ok = ok && rc == CURLE_OK; };
  const auto connect_limit = std::min(kConnectTimeout, limit);
  set(curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(connect_limit.count())));
  set(curl_easy_setopt(h, CURLOPT_TIMEOUT_MS, static_cast<long>(limit.count())));
  set(curl_easy_setopt(h, CURLOPT_LOW_SPEED_LIMIT, kLowSpeedBytesPerSecond));
  set(curl_easy_setopt(h, CURLOPT_LOW_SPEED_TIME, static_cast<long>(kLowSpeedTime.count())));
  set(curl_easy_setopt(h, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(kMaxPageBytes)));
  set(curl_easy_setopt(h, CURLOPT_ACCEPT_ENCODING, ""));  // every encoding libcurl decodes
  set(curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &AppendBody));
  set(curl_easy_setopt(h, CURLOPT_WRITEDATA, &body));
  return ok;
}

struct MultiCleanup {
  void operator()(CURLM* multi) const { curl_multi_cleanup(multi); }
};
using MultiHandle = std::unique_ptr<CURLM, MultiCleanup>;

// The page fetches' handle runs inside a multi handle of its own, which keeps the connections
// between fetches and can be woken from another thread: a stop request (the program ending)
// ends a wait for a silent service at once instead of at the next time-out.
CURLcode PerformStoppable(CURLM* multi, CURL* handle, const std::stop_token& stop) {
  if (curl_multi_add_handle(multi, handle) != CURLM_OK) return CURLE_FAILED_INIT;
  std::stop_callback wake(stop, [multi] { curl_multi_wakeup(multi); });
  CURLcode rc = CURLE_ABORTED_BY_CALLBACK;
  for (;;) {
    if (stop.stop_requested()) break;
    int running = 0;
    if (curl_multi_perform(multi, &running) != CURLM_OK) {
      rc = CURLE_FAILED_INIT;
      break;
    }
    int queued = 0;
    bool done = false;
    while (CURLMsg* message = curl_multi_info_read(multi, &queued)) {
      if (message->msg == CURLMSG_DONE && message->easy_handle == handle) {
        rc = message->data.result;
        done = true;
      }
    }
    if (done) break;
    if (running == 0) {  // never seen: the transfer ended without saying how
      rc = CURLE_FAILED_INIT;
      break;
    }
    // Libcurl's own time-outs bound the wait; the poll wakes for data, its timers and stops.
    if (curl_multi_poll(multi, nullptr, 0, 1000, nullptr) != CURLM_OK) {
      rc = CURLE_FAILED_INIT;
      break;
    }
  }
  curl_multi_remove_handle(multi, handle);
  return rc;
}

struct Outcome {
  Bytes bytes;
  CURLcode rc = CURLE_OK;
  long status = 0;
  long new_connections = 0;
  long local_port = 0;
};

Outcome Fetch(CURL* handle, CURLM* multi, const std::string& address,
              std::chrono::milliseconds limit, const std::stop_token& stop) {
  Outcome out;
  out.rc = CURLE_FAILED_INIT;
  if (handle == nullptr || address.empty()) return out;
  // Reset drops the previous request's options but keeps the open connections and the DNS
  // cache, which is what makes the next fetch to the service cheap.
  curl_easy_reset(handle);
  Body body;
  if (!Configure(handle, address, body, limit)) return out;
  out.rc = multi != nullptr ? PerformStoppable(multi, handle, stop) : curl_easy_perform(handle);
  curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &out.status);
  curl_easy_getinfo(handle, CURLINFO_NUM_CONNECTS, &out.new_connections);
  curl_easy_getinfo(handle, CURLINFO_LOCAL_PORT, &out.local_port);
  // The write data points at this frame's body; nothing may reach it after we return.
  curl_easy_setopt(handle, CURLOPT_WRITEDATA, nullptr);
  if (out.rc != CURLE_OK || body.too_large || out.status < 200 || out.status > 299) return out;
  out.bytes = std::move(body.bytes);
  return out;
}

const TraceFile& FetchTrace() {
  static const TraceFile trace(std::getenv("LUMORA_TRACE_FETCH"));
  return trace;
}

double Seconds(FetchBudget::Clock::duration d) {
  return std::chrono::duration<double>(d).count();
}

void TraceFetch(const std::string& address, std::uint64_t turn,
                FetchBudget::Clock::time_point start, FetchBudget::Clock::time_point end,
                const Outcome* out) {
  char result[32];
  if (out == nullptr) {
    std::snprintf(result, sizeof result, "skipped");
  } else if (out->rc == CURLE_OK) {
    std::snprintf(result, sizeof result, "%ld", out->status);
  } else {
    std::snprintf(result, sizeof result, "curl-%d", static_cast<int>(out->rc));
  }
  // The address goes last: nothing after it needs to be told apart from it.
  std::string line(256 + address.size(), '\0');
  const int n = std::snprintf(
      line.data(), line.size(),
      "fetch start=%.6f ms=%.3f bytes=%zu result=%s new-connections=%ld port=%ld turn=%" PRIu64
      " address=%s\n",
      Seconds(start.time_since_epoch()), Seconds(end - start) * 1000.0,
      out ? out->bytes.size() : std::size_t{0}, result, out ? out->new_connections : 0L,
      out ? out->local_port : 0L, turn, address.c_str());
  if (n <= 0) return;
  line.resize(std::min(static_cast<std::size_t>(n), line.size() - 1));
  FetchTrace().WriteLine(line.c_str());
}

Bytes TracedFetch(CURL* handle, CURLM* multi, const std::string& address,
                  std::chrono::milliseconds limit, std::uint64_t turn, FetchBudget* budget,
                  const std::stop_token& stop) {
  const bool traced = static_cast<bool>(FetchTrace());
  const auto start = traced ? FetchBudget::Clock::now() : FetchBudget::Clock::time_point{};
  Outcome out = Fetch(handle, multi, address, limit, stop);
  if (budget != nullptr && out.rc == CURLE_OPERATION_TIMEDOUT) budget->TimedOut(turn);
  if (traced) TraceFetch(address, turn, start, FetchBudget::Clock::now(), &out);
  return std::move(out.bytes);
}

}  // namespace

std::chrono::milliseconds FetchBudget::Grant(std::uint64_t turn, Clock::time_point now) {
  if (turn == 0) return kRequestTimeout;
  if (turn != turn_) {
    turn_ = turn;
    deadline_ = now + kRequestTimeout;
    spent_ = false;
  }
  if (spent_) return std::chrono::milliseconds::zero();
  if (now >= deadline_) return kSlowPageAllowance;
  // Rounded up, so a fetch is never granted less than what is left.
  return std::max(kSlowPageAllowance,
                  std::chrono::ceil<std::chrono::milliseconds>(deadline_ - now));
}

void FetchBudget::TimedOut(std::uint64_t turn) {
  if (turn != 0 && turn == turn_) spent_ = true;
}

Bytes FetchPage(const std::string& address) {
  static EasyHandle shared = NewHandle();
  static FetchBudget budget;
  const std::uint64_t turn = CurrentUiTurn();
  const auto now = FetchBudget::Clock::now();
  const std::chrono::milliseconds limit = budget.Grant(turn, now);
  if (limit <= std::chrono::milliseconds::zero()) {
    if (FetchTrace()) TraceFetch(address, turn, now, now, nullptr);
    return {};
  }
  // The handle, the multi handle and the budget are only ever used by one fetch at a time:
  // the user-interface thread waits for the work, and no handler runs meanwhile.
  static MultiHandle multi(curl_multi_init());
  Bytes bytes;
  RunBlocking([&](std::stop_token stop) {
    bytes = TracedFetch(shared.get(), multi.get(), address, limit, turn, &budget, stop);
  });
  return bytes;
}

Bytes FetchPageOnNewConnection(const std::string& address) {
  EasyHandle own = NewHandle();
  return TracedFetch(own.get(), nullptr, address, kRequestTimeout, 0, nullptr, {});
}

}  // namespace lumora
