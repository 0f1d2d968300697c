// HTTP page fetching for the service client: synchronous, short and bounded, because every
// fetch runs on the user-interface thread.
#pragma once

#include <chrono>
#include <cstddef>
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
// only.
Bytes FetchPage(const std::string& address);

// The same fetch on a handle of its own, opened and closed with the call: a new connection
// every time. Safe on any thread; used to measure what reuse saves.
Bytes FetchPageOnNewConnection(const std::string& address);

}  // namespace lumora
