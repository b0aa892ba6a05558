#include <gtest/gtest.h>

#include <string>

#include "engine/curl_debug.h"

namespace trawl {
namespace {

std::string trace(curl_infotype type, std::string data) {
  testing::internal::CaptureStderr();
  curl_debug_trace(nullptr, type, data.data(), data.size(), nullptr);
  return testing::internal::GetCapturedStderr();
}

TEST(CurlDebugTrace, CredentialsInRequestHeadersAreNeverWritten) {
  const std::string out =
      trace(CURLINFO_HEADER_OUT,
            "GET /x HTTP/1.1\r\nHost: h\r\nX-Api-Key: s3cret\r\nauthorization: Basic dTpw\r\n\r\n");
  EXPECT_EQ(out,
            "> GET /x HTTP/1.1\n> Host: h\n> X-Api-Key: [redacted]\n"
            "> authorization: [redacted]\n> \n");
  EXPECT_EQ(out.find("s3cret"), std::string::npos);
}

TEST(CurlDebugTrace, ResponseHeadersAndTextKeepTheirValues) {
  EXPECT_EQ(trace(CURLINFO_HEADER_IN, "X-Api-Key: echoed\r\n"), "< X-Api-Key: echoed\n");
  EXPECT_EQ(trace(CURLINFO_TEXT, "  Trying 127.0.0.1:80...\n"), "*   Trying 127.0.0.1:80...\n");
  EXPECT_EQ(trace(CURLINFO_DATA_IN, "{\"body\":1}\n"), "");
}

}  // namespace
}  // namespace trawl
