// HTTP page fetching for the service client: synchronous, short and bounded, because every
// fetch holds up the handler that asked for it (the windows are kept drawn meanwhile, see
// platform/ui_wait.h).
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/types.h"

namespace lumora {

// The bounds of one fetch. A fetch never freezes the window for longer than the whole-request
// time-out, and never holds more than kMaxPageBytes of body.
inline constexpr std::chrono::milliseconds kConnectTimeout{3000};
inline constexpr std::chrono::milliseconds kRequestTimeout{5000};
// Below this many bytes per second for kLowSpeedTime the transfer is abandoned.
inline constexpr long kLowSpeedBytesPerSecond = 64;
inline constexpr std::chrono::seconds kLowSpeedTime{3};
inline constexpr std::size_t kMaxPageBytes = 1024 * 1024;
inline constexpr long kMaxRedirects = 5;

// The body of an HTTP GET of `address`, decoded when the service compressed it. Only http and
// https are fetched, for the first request and for every redirect; certificates are checked.
// Empty bytes on any failure: a bad address, no connection, a time-out, a body over
// kMaxPageBytes, too many redirects, or a final status other than 2xx.
//
// Consecutive fetches share one connection handle, so they reuse one TCP connection to the
// service. The handle is process-wide and not locked: call this on the user-interface thread
// only; the transfer itself runs through RunBlocking, and the program's end stops it at once.
// The fetches of one turn of that thread share one FetchBudget.
//
// With LUMORA_TRACE_FETCH set ("1" for standard error, else a file to append to), every fetch
// writes one line: when it started, how long it took, the bytes it gave, the HTTP status or
// why it failed, the connections it had to open and the address.
Bytes FetchPage(const std::string& address);

// The same fetch on a handle of its own, opened and closed with the call: a new connection
// every time. Safe on any thread; used to measure what reuse saves.
Bytes FetchPageOnNewConnection(const std::string& address);

// The fetches a handler makes one after another freeze the windows as one, so the fetches of
// one turn of the user-interface thread (platform/ui_turn.h) share one kRequestTimeout. Once
// it is used up, each further fetch of the turn still gets kSlowPageAllowance, so that a
// service that is slow but answers (a second a page) is still heard on every page of the
// turn. Once a fetch of the turn has run out of time, the rest of the turn asks the service
// nothing more; it would not answer the next page at once either: a service that has stopped
// answering holds the user for one fetch's bound at most. Turn 0 (no program running) gives
// every fetch its full bound.
inline constexpr std::chrono::milliseconds kSlowPageAllowance{2000};
class FetchBudget {
 public:
  using Clock = std::chrono::steady_clock;
  // How long a fetch that starts at `now` in `turn` may take: what is left of the turn's bound,
  // at least kSlowPageAllowance; zero once a fetch of the turn has timed out.
  std::chrono::milliseconds Grant(std::uint64_t turn, Clock::time_point now);
  // A fetch of `turn` ran out of its time.
  void TimedOut(std::uint64_t turn);

 private:
  std::uint64_t turn_ = 0;
  Clock::time_point deadline_{};
  bool spent_ = false;
};

}  // namespace lumora
