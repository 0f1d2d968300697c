#include "service/file_fetch.h"

#include <curl/curl.h>
#include <fcntl.h>
#include <openssl/evp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <thread>

#include "service/curl_transport.h"
#include "service/service_client.h"

namespace lumora {
namespace {

constexpr long kTextRedirects = 5;
constexpr long kDownloadRedirects = 5;

// --- bounded text -----------------------------------------------------------------------

struct TextBody {
  Bytes bytes;
  std::size_t max = 0;
  bool too_large = false;
};

std::size_t AppendText(char* data, std::size_t size, std::size_t count, void* user) {
  auto* body = static_cast<TextBody*>(user);
  const std::size_t n = size * count;
  if (body->bytes.size() + n > body->max) {
    body->too_large = true;
    return 0;
  }
  body->bytes.insert(body->bytes.end(), data, data + n);
  return n;
}

std::string CurlError(CURLcode rc) {
  return curl_easy_strerror(rc);
}

// --- SHA-256 ------------------------------------------------------------------------------

class Sha256 {
 public:
  Sha256() : ctx_(EVP_MD_CTX_new()) { Reset(); }
  void Reset() { ok_ = ctx_ != nullptr && EVP_DigestInit_ex(ctx_.get(), EVP_sha256(), nullptr); }
  void Update(const void* data, std::size_t n) {
    ok_ = ok_ && EVP_DigestUpdate(ctx_.get(), data, n) == 1;
  }
  // Lower-case hex, or empty when anything failed.
  std::string FinalHex() {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (!ok_ || EVP_DigestFinal_ex(ctx_.get(), digest, &length) != 1) return {};
    static constexpr char kHex[] = "0123456789abcdef";
    std::string hex;
    for (unsigned int i = 0; i < length; ++i) {
      hex += kHex[digest[i] >> 4];
      hex += kHex[digest[i] & 0xf];
    }
    return hex;
  }

 private:
  struct Free {
    void operator()(EVP_MD_CTX* c) const { EVP_MD_CTX_free(c); }
  };
  std::unique_ptr<EVP_MD_CTX, Free> ctx_;
  bool ok_ = false;
};

// Feeds the first `length` bytes of `fd` to `hash`; false on a read error.
bool HashFile(int fd, std::uint64_t length, Sha256& hash) {
  char buf[1 << 16];
  std::uint64_t at = 0;
  while (at < length) {
    const std::size_t want =
        static_cast<std::size_t>(std::min<std::uint64_t>(sizeof buf, length - at));
    const ssize_t n = pread(fd, buf, want, static_cast<off_t>(at));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    hash.Update(buf, static_cast<std::size_t>(n));
    at += static_cast<std::uint64_t>(n);
  }
  return true;
}

bool SameHex(std::string_view a, std::string_view b) {
  if (a.size() != b.size() || a.empty()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

// --- download -----------------------------------------------------------------------------

// The file being downloaded: its descriptor, its length and the hash of what it holds.
struct Target {
  int fd = -1;
  std::uint64_t length = 0;
  Sha256 hash;

  bool Truncate() {
    if (ftruncate(fd, 0) != 0 || lseek(fd, 0, SEEK_SET) != 0) return false;
    length = 0;
    hash.Reset();
    return true;
  }
};

// One request's state, shared with the callbacks.
struct Attempt {
  CURL* handle = nullptr;
  Target* target = nullptr;
  std::uint64_t expected = 0;
  std::uint64_t offset = 0;  // where this attempt asked to start
  const DownloadProgress* progress = nullptr;
  const std::atomic<bool>* cancel = nullptr;

  std::string content_range;  // of the last response head
  bool answer_checked = false;
  bool refused = false;  // status neither 200 nor 206
  bool range_mismatch = false;
  bool too_large = false;
  bool cancelled = false;
  int write_errno = 0;
};

std::size_t OnHeader(char* data, std::size_t size, std::size_t count, void* user) {
  auto* a = static_cast<Attempt*>(user);
  const std::size_t n = size * count;
  const std::string_view line(data, n);
  if (line.starts_with("HTTP/")) a->content_range.clear();  // a new response (after a redirect)
  constexpr std::string_view kName = "content-range:";
  if (line.size() > kName.size()) {
    std::string head(line.substr(0, kName.size()));
    for (char& c : head) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (head == kName) a->content_range = std::string(line.substr(kName.size()));
  }
  return n;
}

// The first byte position of "bytes S-E/T", or -1.
long long RangeStart(const std::string& content_range) {
  const auto at = content_range.find("bytes");
  if (at == std::string::npos) return -1;
  std::size_t i = at + 5;
  while (i < content_range.size() && content_range[i] == ' ') ++i;
  long long value = -1;
  for (; i < content_range.size() && content_range[i] >= '0' && content_range[i] <= '9'; ++i) {
    if (value > (1LL << 50)) return -1;
    value = (value < 0 ? 0 : value * 10) + (content_range[i] - '0');
  }
  return i < content_range.size() && content_range[i] == '-' ? value : -1;
}

// Decides, at the first body byte, whether this answer continues the file, restarts it or is
// refused.
bool AcceptAnswer(Attempt& a) {
  long status = 0;
  curl_easy_getinfo(a.handle, CURLINFO_RESPONSE_CODE, &status);
  if (status == 206) {
    if (RangeStart(a.content_range) != static_cast<long long>(a.offset)) {
      a.range_mismatch = true;
      return false;
    }
  } else if (status == 200) {
    // The whole file again: a server without ranges.
    if (a.target->length > 0 && !a.target->Truncate()) {
      a.write_errno = errno;
      return false;
    }
    a.offset = 0;
  } else {
    a.refused = true;
    return false;
  }
  a.answer_checked = true;
  return true;
}

std::size_t OnBody(char* data, std::size_t size, std::size_t count, void* user) {
  auto* a = static_cast<Attempt*>(user);
  const std::size_t n = size * count;
  if (a->cancel != nullptr && a->cancel->load()) {
    a->cancelled = true;
    return 0;
  }
  if (!a->answer_checked && !AcceptAnswer(*a)) return 0;
  Target& t = *a->target;
  if (t.length + n > a->expected) {
    a->too_large = true;
    return 0;
  }
  for (std::size_t done = 0; done < n;) {
    const ssize_t w = write(t.fd, data + done, n - done);
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0) {
      a->write_errno = w < 0 ? errno : EIO;
      return 0;
    }
    done += static_cast<std::size_t>(w);
  }
  t.hash.Update(data, n);
  t.length += n;
  if (*a->progress) (*a->progress)(t.length, a->expected);
  return n;
}

// libcurl calls this often while a transfer runs, data or not: a window throttling the
// progress it shows still gets the last count before a stall, and sees the speed fall.
int OnTick(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
  auto* a = static_cast<Attempt*>(user);
  if (a->cancel != nullptr && a->cancel->load()) {
    a->cancelled = true;
    return 1;
  }
  if (*a->progress) (*a->progress)(a->target->length, a->expected);
  return 0;
}

bool ConfigureDownload(CURL* h, const std::string& address, Attempt& a,
                       const DownloadLimits& limits) {
  bool ok = transport::Configure(h, address, kDownloadRedirects);
  auto set = [&ok](CURLcode rc) { ok = ok && rc == CURLE_OK; };
  const long stall_seconds =
      std::max<long>(1, static_cast<long>((limits.stall_time.count() + 999) / 1000));
  set(curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT_MS,
                       static_cast<long>(limits.connect_timeout.count())));
  set(curl_easy_setopt(h, CURLOPT_LOW_SPEED_LIMIT, limits.stall_bytes_per_second));
  set(curl_easy_setopt(h, CURLOPT_LOW_SPEED_TIME, stall_seconds));
  // The announced length of a whole answer; a range answer announces less.
  if (a.expected > 0) {
    set(curl_easy_setopt(h, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(a.expected)));
  }
  if (a.offset > 0) {
    // A plain range, not libcurl's resume: that one fails outright on a 200 answer, which we
    // take as a restart.
    const std::string range = std::to_string(a.offset) + "-";
    set(curl_easy_setopt(h, CURLOPT_RANGE, range.c_str()));
  }
  set(curl_easy_setopt(h, CURLOPT_HEADERFUNCTION, &OnHeader));
  set(curl_easy_setopt(h, CURLOPT_HEADERDATA, &a));
  set(curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &OnBody));
  set(curl_easy_setopt(h, CURLOPT_WRITEDATA, &a));
  set(curl_easy_setopt(h, CURLOPT_NOPROGRESS, 0L));
  set(curl_easy_setopt(h, CURLOPT_XFERINFOFUNCTION, &OnTick));
  set(curl_easy_setopt(h, CURLOPT_XFERINFODATA, &a));
  return ok;
}

bool Retryable(CURLcode rc) {
  switch (rc) {
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_CONNECT:
    case CURLE_PARTIAL_FILE:
    case CURLE_RECV_ERROR:
    case CURLE_SEND_ERROR:
    case CURLE_OPERATION_TIMEDOUT:
    case CURLE_GOT_NOTHING:
    case CURLE_HTTP2:
    case CURLE_HTTP2_STREAM:
      return true;
    default:
      return false;
  }
}

bool Cancelled(const std::atomic<bool>* cancel) {
  return cancel != nullptr && cancel->load();
}

// Waits `pause`, ending early when the download is cancelled.
void Pause(std::chrono::milliseconds pause, const std::atomic<bool>* cancel) {
  const auto end = std::chrono::steady_clock::now() + pause;
  while (!Cancelled(cancel) && std::chrono::steady_clock::now() < end) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

DownloadOutcome Failure(DownloadResult result, std::string error) {
  return {result, std::move(error)};
}

DownloadOutcome WriteFailure(int error_number, const std::filesystem::path& dest) {
  if (error_number == ENOSPC || error_number == EFBIG || error_number == EDQUOT) {
    return Failure(DownloadResult::DiskFull, "no space left for " + dest.filename().string());
  }
  return Failure(DownloadResult::WriteFailed,
                 "cannot write " + dest.string() + ": " + std::strerror(error_number));
}

// The transfer itself, into an open target; the caller removes the file on failure.
DownloadOutcome Transfer(const std::string& address, const std::filesystem::path& dest,
                         Target& target, std::uint64_t expected, const DownloadProgress& progress,
                         const std::atomic<bool>* cancel, const DownloadLimits& limits) {
  transport::EasyHandle handle = transport::NewHandle();
  if (!handle) return Failure(DownloadResult::WriteFailed, "no transfer handle");
  int retries_left = limits.retries;
  auto retry = [&]() -> bool {
    if (retries_left-- <= 0) return false;
    Pause(limits.retry_pause, cancel);
    return true;
  };
  for (;;) {
    if (Cancelled(cancel)) return Failure(DownloadResult::Cancelled, "cancelled");
    if (target.length == expected && expected > 0) return {};
    Attempt a;
    a.handle = handle.get();
    a.target = &target;
    a.expected = expected;
    a.offset = target.length;
    a.progress = &progress;
    a.cancel = cancel;
    curl_easy_reset(handle.get());
    if (!ConfigureDownload(handle.get(), address, a, limits)) {
      return Failure(DownloadResult::BadAddress, "not a usable address: " + address);
    }
    const CURLcode rc = curl_easy_perform(handle.get());
    long status = 0;
    curl_easy_getinfo(handle.get(), CURLINFO_RESPONSE_CODE, &status);
    curl_easy_setopt(handle.get(), CURLOPT_WRITEDATA, nullptr);
    curl_easy_setopt(handle.get(), CURLOPT_HEADERDATA, nullptr);
    curl_easy_setopt(handle.get(), CURLOPT_XFERINFODATA, nullptr);

    if (a.cancelled || Cancelled(cancel)) return Failure(DownloadResult::Cancelled, "cancelled");
    if (a.write_errno != 0) return WriteFailure(a.write_errno, dest);
    if (a.too_large || rc == CURLE_FILESIZE_EXCEEDED) {
      return Failure(DownloadResult::TooLarge, "the server sent more than the " +
                                                   std::to_string(expected) + " bytes expected");
    }
    if (rc == CURLE_UNSUPPORTED_PROTOCOL || rc == CURLE_URL_MALFORMAT) {
      return Failure(DownloadResult::BadAddress, "not a usable address: " + address);
    }
    if (a.range_mismatch || (rc == CURLE_OK && status == 416)) {
      // The server's idea of the file differs from ours: start again from nothing.
      if (!target.Truncate()) return WriteFailure(errno, dest);
      if (!retry()) {
        return Failure(DownloadResult::HttpError, "the server answered a range it was not asked");
      }
      continue;
    }
    if (rc == CURLE_OK && !a.answer_checked && (status == 200 || status == 206)) {
      // An answer without a body.
      if (status == 200 && target.length > 0 && !target.Truncate())
        return WriteFailure(errno, dest);
      a.answer_checked = true;
    }
    if (a.refused || (rc == CURLE_OK && !a.answer_checked)) {
      if (status >= 500 && retry()) continue;
      return Failure(DownloadResult::HttpError, "the server answered " + std::to_string(status));
    }
    if (rc == CURLE_OK) {
      if (target.length == expected) return {};
      return Failure(DownloadResult::TooSmall, "the download ended after " +
                                                   std::to_string(target.length) + " of " +
                                                   std::to_string(expected) + " bytes");
    }
    if (Retryable(rc) && retry()) continue;
    return Failure(DownloadResult::ConnectionLost,
                   "the connection was lost after " + std::to_string(target.length) + " of " +
                       std::to_string(expected) + " bytes (" + CurlError(rc) + ")");
  }
}

}  // namespace

TextFetch FetchBoundedText(const std::string& address, std::size_t max_bytes,
                           std::chrono::milliseconds limit) {
  TextFetch out;
  transport::EasyHandle handle = transport::NewHandle();
  if (!handle) {
    out.error = "no transfer handle";
    return out;
  }
  CURL* h = handle.get();
  TextBody body;
  body.max = max_bytes;
  bool ok = transport::Configure(h, address, kTextRedirects);
  auto set = [&ok](CURLcode rc) { ok = ok && rc == CURLE_OK; };
  set(curl_easy_setopt(
      h, CURLOPT_CONNECTTIMEOUT_MS,
      static_cast<long>(std::min(limit, std::chrono::milliseconds(5000)).count())));
  set(curl_easy_setopt(h, CURLOPT_TIMEOUT_MS, static_cast<long>(limit.count())));
  set(curl_easy_setopt(h, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(max_bytes)));
  set(curl_easy_setopt(h, CURLOPT_ACCEPT_ENCODING, ""));
  set(curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &AppendText));
  set(curl_easy_setopt(h, CURLOPT_WRITEDATA, &body));
  if (!ok) {
    out.error = "not a usable address: " + address;
    return out;
  }
  const CURLcode rc = curl_easy_perform(h);
  long status = 0;
  curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &status);
  if (body.too_large || rc == CURLE_FILESIZE_EXCEEDED) {
    out.error = "larger than " + std::to_string(max_bytes) + " bytes";
  } else if (rc != CURLE_OK) {
    out.error = CurlError(rc);
  } else if (status < 200 || status > 299) {
    out.error = "the server answered " + std::to_string(status);
  } else {
    out.body = std::move(body.bytes);
  }
  return out;
}

TextFetch FetchServiceFile(std::string_view name, std::size_t max_bytes) {
  return FetchBoundedText(ServiceBase() + std::string(name), max_bytes);
}

std::string FileSha256(const std::filesystem::path& file) {
  const int fd = open(file.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return {};
  struct stat st {};
  Sha256 hash;
  const bool ok = fstat(fd, &st) == 0 && HashFile(fd, static_cast<std::uint64_t>(st.st_size), hash);
  close(fd);
  return ok ? hash.FinalHex() : std::string();
}

DownloadOutcome DownloadFile(const std::string& address, const std::filesystem::path& dest,
                             std::uint64_t expected_size, std::string_view sha256_hex,
                             const DownloadProgress& progress, const std::atomic<bool>* cancel,
                             const DownloadLimits& limits) {
  Target target;
  // Never through a link: the staging folder sits beside the app folder, where someone else
  // may have been able to plant one pointing at a file of ours.
  target.fd = open(dest.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644);
  if (target.fd < 0) return WriteFailure(errno, dest);
  struct stat kind {};
  if (fstat(target.fd, &kind) != 0 || !S_ISREG(kind.st_mode)) {
    close(target.fd);
    return Failure(DownloadResult::WriteFailed, dest.string() + " is not a plain file");
  }
  auto fail = [&](DownloadOutcome outcome) {
    close(target.fd);
    std::error_code ignored;
    std::filesystem::remove(dest, ignored);
    return outcome;
  };
  struct stat st {};
  if (fstat(target.fd, &st) != 0) return fail(WriteFailure(errno, dest));
  const auto existing = static_cast<std::uint64_t>(st.st_size);
  // What an earlier attempt left is kept only if it can be part of this file.
  if (existing > expected_size || !HashFile(target.fd, existing, target.hash)) {
    if (!target.Truncate()) return fail(WriteFailure(errno, dest));
  } else {
    target.length = existing;
  }
  if (lseek(target.fd, static_cast<off_t>(target.length), SEEK_SET) < 0) {
    return fail(WriteFailure(errno, dest));
  }
  if (target.length > 0 && progress) progress(target.length, expected_size);

  DownloadOutcome outcome =
      Transfer(address, dest, target, expected_size, progress, cancel, limits);
  if (outcome.result == DownloadResult::Cancelled) {
    close(target.fd);
    return outcome;
  }
  if (outcome.result != DownloadResult::Ok) return fail(std::move(outcome));
  if (fsync(target.fd) != 0) return fail(WriteFailure(errno, dest));
  if (close(target.fd) != 0) {
    target.fd = -1;
    std::error_code ignored;
    std::filesystem::remove(dest, ignored);
    return WriteFailure(errno, dest);
  }
  const std::string hex = target.hash.FinalHex();
  if (!SameHex(hex, sha256_hex)) {
    std::error_code ignored;
    std::filesystem::remove(dest, ignored);
    return Failure(DownloadResult::WrongHash, "the download's SHA-256 is not the release's");
  }
  return {};
}

}  // namespace lumora
