#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "records/account_info.h"
#include "support/json_ref.h"

namespace trawl {
namespace {

std::string burst(uint64_t size, uint64_t window) {
  return burstrate_line(rate_tuple{rate_kind::integer, size},
                        rate_tuple{rate_kind::integer, window});
}

TEST(AccountInfo, BurstRateWindows) {
  struct row {
    uint64_t window;
    const char* text;
  };
  const row rows[] = {
      {3600, "\tburst rate: 10 per hour\n"},     {60, "\tburst rate: 10 per minute\n"},
      {7200, "\tburst rate: 10 per 2 hours\n"},  {0, "\tburst rate: 10 per 0 hours\n"},
      {90, "\tburst rate: 10 per 90 seconds\n"}, {120, "\tburst rate: 10 per 2 minutes\n"},
      {300, "\tburst rate: 10 per 5 minutes\n"}, {1, "\tburst rate: 10 per 1 seconds\n"},
  };
  for (const row& r : rows) EXPECT_EQ(burst(10, r.window), r.text) << r.window;
}

TEST(AccountInfo, RateValuesOfEveryKind) {
  json_ref rate(json_loads(
      R"({"a":5,"b":"N/A","c":"Unlimited","d":10.5,"e":"soon","f":null,"g":-1,"h":true})", 0,
      nullptr));
  ASSERT_TRUE(rate);
  const char* bad = "value must be an integer or \"n/a\" or \"unlimited\"";
  struct row {
    const char* key;
    const char* error;
    rate_kind rk;
    uint64_t value;
  };
  const row rows[] = {
      {"a", nullptr, rate_kind::integer, 5},
      {"b", nullptr, rate_kind::na, 0},
      {"c", nullptr, rate_kind::unlimited, 0},
      {"d", bad, rate_kind::none, 0},
      {"e", bad, rate_kind::none, 0},
      {"f", bad, rate_kind::none, 0},
      {"g", nullptr, rate_kind::integer, UINT64_MAX},
      {"h", bad, rate_kind::none, 0},
      {"absent", nullptr, rate_kind::none, 0},
  };
  for (const row& r : rows) {
    rate_tuple t;
    const char* err = rate_tuple_make(rate.get(), r.key, &t);
    if (r.error != nullptr) {
      EXPECT_STREQ(err, r.error) << r.key;
      continue;
    }
    EXPECT_EQ(err, nullptr) << r.key;
    EXPECT_EQ(t.rk, r.rk) << r.key;
    EXPECT_EQ(t.value, r.value) << r.key;
  }
}

}  // namespace
}  // namespace trawl
