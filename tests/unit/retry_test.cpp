#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "engine/retry.h"

namespace trawl {
namespace {

TEST(RetryWait, ServerFirstThenDoublingWithJitterNeverPastAMinute) {
  struct row {
    int attempts;
    long retry_after_s;
    double jitter;
    long expected_ms;
  } rows[] = {
      {1, 0, 0.0, 1000},         {1, 0, 0.999, 1249}, {2, 0, 0.0, 2000},   {3, 0, 0.5, 4500},
      {6, 0, 0.0, 32000},        {6, 0, 0.9, 39200},  {7, 0, 0.0, 60000},  {40, 0, 0.0, 60000},
      {1, 1, 0.9, 1000},         {3, 7, 0.0, 7000},   {1, 60, 0.5, 60000}, {1, 3600, 0.0, 60000},
      {1, 1L << 50, 0.0, 60000},
  };
  for (const row& r : rows)
    EXPECT_EQ(retry_wait_ms(r.attempts, r.retry_after_s, r.jitter), r.expected_ms)
        << r.attempts << " " << r.retry_after_s << " " << r.jitter;
}

TEST(RetryReason, BusyServersAndUnreachableOnesOnly) {
  struct row {
    long rcode;
    CURLcode result;
    long body_bytes;
    std::optional<std::string> expected;
  } rows[] = {
      {429, CURLE_OK, 12, "HTTP 429"},
      {503, CURLE_OK, 0, "HTTP 503"},
      {503, CURLE_PARTIAL_FILE, 5, "HTTP 503"},
      {500, CURLE_OK, 10, std::nullopt},
      {404, CURLE_OK, 10, std::nullopt},
      {200, CURLE_OK, 0, std::nullopt},
      {0, CURLE_COULDNT_CONNECT, 0, "could not connect"},
      {0, CURLE_COULDNT_RESOLVE_HOST, 0, "could not resolve host"},
      {0, CURLE_GOT_NOTHING, 0, "curl error 52 (Server returned nothing (no headers, no data))"},
      {200, CURLE_PARTIAL_FILE, 0, "curl error 18 (Transferred a partial file)"},
      // Records may be out already.
      {200, CURLE_PARTIAL_FILE, 1, std::nullopt},
      {200, CURLE_OPERATION_TIMEDOUT, 300, std::nullopt},
      // Asking again changes nothing.
      {0, CURLE_PEER_FAILED_VERIFICATION, 0, std::nullopt},
      {0, CURLE_URL_MALFORMAT, 0, std::nullopt},
      {200, CURLE_WRITE_ERROR, 0, std::nullopt},
      {500, CURLE_PARTIAL_FILE, 0, std::nullopt},
  };
  for (const row& r : rows)
    EXPECT_EQ(retry_reason(r.rcode, r.result, r.body_bytes), r.expected)
        << r.rcode << " " << static_cast<int>(r.result) << " " << r.body_bytes;
}

}  // namespace
}  // namespace trawl
