// Transfers for the updater, which runs off any user-interface thread: a bounded text fetch
// for the release's small files, and a resumable, size-bounded, hash-checked download of the
// release package into a file.
#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

#include "platform/types.h"

namespace lumora {

inline constexpr std::size_t kMaxManifestBytes = 64 * 1024;
inline constexpr std::size_t kMaxSignatureBytes = 4 * 1024;

struct TextFetch {
  Bytes body;
  std::string error;  // empty when the body is the whole 2xx answer
  bool ok() const { return error.empty(); }
};

// The body of a GET of `address`, at most `max_bytes` of it (decoded) within `limit`; on any
// failure no body and a one-line reason. Safe on any thread: each call has its own handle.
TextFetch FetchBoundedText(const std::string& address, std::size_t max_bytes,
                           std::chrono::milliseconds limit = std::chrono::seconds(15));

// The same for a file of the service: its base (service/service_client.h) followed by `name`.
TextFetch FetchServiceFile(std::string_view name, std::size_t max_bytes);

enum class DownloadResult {
  Ok,
  BadAddress,      // not an http(s) address
  HttpError,       // a final status other than 200 or 206
  ConnectionLost,  // no connection, a reset, a stall or a time-out, past every retry
  TooLarge,        // more bytes than expected (announced or sent)
  TooSmall,        // the answer ended complete but short
  WrongHash,
  DiskFull,     // ENOSPC or EFBIG while writing
  WriteFailed,  // any other failure to open, write or flush the file
  Cancelled,
};

struct DownloadOutcome {
  DownloadResult result = DownloadResult::Ok;
  std::string error;  // one line; empty for Ok
};

struct DownloadLimits {
  std::chrono::milliseconds connect_timeout{10000};
  // Below stall_bytes_per_second for stall_time the attempt counts as a lost connection.
  long stall_bytes_per_second = 1024;
  std::chrono::milliseconds stall_time{20000};
  int retries = 3;
  std::chrono::milliseconds retry_pause{1000};
};

// Bytes of the file so far and the whole expected size; called as data arrive and, with the
// same count, every so often while none do.
using DownloadProgress = std::function<void(std::uint64_t done, std::uint64_t total)>;

// Downloads `address` into `dest`. A partial `dest` left by an earlier attempt is resumed with
// a range request; a server that answers 200 instead is read again from the start. Never more
// than `expected_size` bytes reach the file. Connection losses are retried `limits.retries`
// times, each resuming where the file ends. At the end the file must be exactly
// `expected_size` bytes with SHA-256 `sha256_hex` (64 hex digits, either case).
//
// On Ok the file is complete and flushed to disk. On Cancelled (`cancel` set, checked while
// data flow and between attempts) the partial file stays for a later resume. On every other
// failure `dest` is removed.
DownloadOutcome DownloadFile(const std::string& address, const std::filesystem::path& dest,
                             std::uint64_t expected_size, std::string_view sha256_hex,
                             const DownloadProgress& progress,
                             const std::atomic<bool>* cancel = nullptr,
                             const DownloadLimits& limits = {});

// Lower-case hex SHA-256 of a file; empty when it cannot be read.
std::string FileSha256(const std::filesystem::path& file);

}  // namespace lumora
