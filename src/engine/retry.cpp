#include "engine/retry.h"

#include <algorithm>
#include <iterator>
#include <random>

#include "core/diag.h"

namespace trawl {

namespace {

using steady = std::chrono::steady_clock;

// Failures to reach the server, or a connection lost before any answer:
// they may well pass. A refused certificate or a malformed URL will not.
constexpr CURLcode network_failures[] = {
    CURLE_COULDNT_RESOLVE_PROXY,
    CURLE_COULDNT_RESOLVE_HOST,
    CURLE_COULDNT_CONNECT,
    CURLE_OPERATION_TIMEDOUT,
    CURLE_GOT_NOTHING,
    CURLE_SEND_ERROR,
    CURLE_RECV_ERROR,
    CURLE_PARTIAL_FILE,
    CURLE_SSL_CONNECT_ERROR,
    CURLE_HTTP2,
    CURLE_HTTP2_STREAM,
};

// Clients that failed together must not all come back at the same moment.
double jitter_draw() {
  static std::mt19937 generator{std::random_device{}()};
  return std::uniform_real_distribution<double>(0.0, 1.0)(generator);
}

}  // namespace

long retry_wait_ms(int attempts, long retry_after_s, double jitter) {
  if (retry_after_s > 0) return std::min(retry_after_s, retry_wait_limit_ms / 1000) * 1000;
  // Past six doublings the limit holds anyway.
  const long base = 1000L << std::clamp(attempts - 1, 0, 6);
  return std::min(base + static_cast<long>(static_cast<double>(base) * 0.25 * jitter),
                  retry_wait_limit_ms);
}

std::optional<std::string> retry_reason(long rcode, CURLcode result, long body_bytes) {
  if (rcode == 429 || rcode == 503) return "HTTP " + std::to_string(rcode);
  // Any other answer is the server's last word; a body begun may have
  // records already out.
  if (result == CURLE_OK || body_bytes > 0 || (rcode != 0 && rcode != 200)) return std::nullopt;
  if (std::find(std::begin(network_failures), std::end(network_failures), result) ==
      std::end(network_failures))
    return std::nullopt;
  if (result == CURLE_COULDNT_RESOLVE_HOST) return "could not resolve host";
  if (result == CURLE_COULDNT_CONNECT) return "could not connect";
  return "curl error " + std::to_string(static_cast<int>(result)) + " (" +
         curl_easy_strerror(result) + ")";
}

bool retry_later(const run_options& opts, transfer_engine& engine, fetch& f, CURLcode result) {
  if (!f.easy || f.attempts > opts.retries || f.stopped || f.failed) return false;
  CURL* h = f.easy.get();
  curl_off_t body_bytes = 0;
  curl_easy_getinfo(h, CURLINFO_SIZE_DOWNLOAD_T, &body_bytes);
  const std::optional<std::string> reason =
      retry_reason(f.rcode, result, static_cast<long>(body_bytes));
  if (!reason) return false;
  curl_off_t retry_after = 0;
  if (f.rcode == 429 || f.rcode == 503) curl_easy_getinfo(h, CURLINFO_RETRY_AFTER, &retry_after);
  const long wait_ms = retry_wait_ms(f.attempts, static_cast<long>(retry_after), jitter_draw());
  const steady::time_point due = steady::now() + std::chrono::milliseconds(wait_ms);
  // The time-out bounds the whole fetch, its waits included.
  const std::chrono::milliseconds budget(opts.timeout * 1000);
  const auto used = std::chrono::duration_cast<std::chrono::milliseconds>(due - f.first_attempt);
  if (opts.timeout > 0 && used >= budget) return false;

  ++f.attempts;
  if (!opts.quiet) {
    const std::string& descr = f.qry->detail.descr ? *f.qry->detail.descr : f.url;
    log_line("retrying %s in %ld s (%s, attempt %d of %ld)", descr.c_str(), (wait_ms + 500) / 1000,
             reason->c_str(), f.attempts, opts.retries + 1);
  }
  curl_multi_remove_handle(engine.multi.get(), h);
  // Whatever the failed attempt left is no part of the next one's answer.
  f.buf.clear();
  f.scanned = 0;
  f.rcode = 0;
  if (f.recording) f.recording = std::make_unique<spool>();
  if (opts.timeout > 0)
    curl_easy_setopt(h, CURLOPT_TIMEOUT_MS, static_cast<long>((budget - used).count()));
  engine.waiting.push_back({&f, due});
  return true;
}

void retry_start_due(transfer_engine& engine) {
  const steady::time_point now = steady::now();
  for (auto it = engine.waiting.begin(); it != engine.waiting.end();) {
    if (it->due > now) {
      ++it;
      continue;
    }
    fetch& f = *it->f;
    it = engine.waiting.erase(it);
    debug_line(2, "retry(%s)\n", f.url.c_str());
    const CURLMcode rc = curl_multi_add_handle(engine.multi.get(), f.easy.get());
    if (rc != CURLM_OK)
      throw fatal_error{std::string("curl_multi_add_handle() failed: ") + curl_multi_strerror(rc)};
  }
}

int retry_poll_ms(const transfer_engine& engine, int longest) {
  const steady::time_point now = steady::now();
  long shortest = longest;
  for (const fetch_due& w : engine.waiting) {
    // Rounded up: woken a little early, the loop would only poll again.
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(w.due - now).count();
    shortest = std::min(shortest, static_cast<long>(std::max<decltype(left)>(left, 0)));
  }
  return static_cast<int>(shortest);
}

}  // namespace trawl
