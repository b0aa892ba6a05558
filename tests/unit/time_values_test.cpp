#include "support/time_values.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <optional>
#include <string>
#include <vector>

namespace trawl {
namespace {

constexpr uint64_t kStart = 1710000000;

// Relative readings count back from the time given as now, kStart here; pin a
// foreign time zone so that any use of local time shows up as a wrong value.
class TimeValuesTest : public testing::Test {
 protected:
  void SetUp() override {
    if (const char* tz = std::getenv("TZ")) saved_tz_ = tz;
    setenv("TZ", "XYZ-5", 1);
    tzset();
  }
  void TearDown() override {
    if (saved_tz_) {
      setenv("TZ", saved_tz_->c_str(), 1);
    } else {
      unsetenv("TZ");
    }
    tzset();
  }

 private:
  std::optional<std::string> saved_tz_;
};

struct parse_row {
  const char* text;
  bool ok;
  uint64_t expected;
};

TEST_F(TimeValuesTest, TimeParseReadings) {
  const std::vector<parse_row> rows = {
      {"2024-03-01", true, 1709251200},
      {"2024-03-01 00:00:00", true, 1709251200},
      {"2024-03-01 12:34:56", true, 1709296496},
      {"1709251200", true, 1709251200},
      {"0", true, 0},
      {"+42", true, 42},
      {"  42", true, 42},
      {"-3600", true, kStart - 3600},
      {"1h", true, kStart - 3600},
      {"1w2d3h4m5s", true, kStart - 788645},
      {"1D", true, kStart - 86400},
      {"2024-03-01 12:30", false, 0},
      {"2024-03-01 ", false, 0},
      {"2024-03-01T00:00:00", false, 0},
      {"42 ", false, 0},
      {"", false, 0},
      {"d", false, 0},
      {"1x", false, 0},
      {"1d5", false, 0},
      {"-1d", false, 0},
      {"1 d", false, 0},
      {"99999999999999999999", false, 0},
      {"1969-12-31", false, 0},
      {"1969-12-31 23:59:59", false, 0},
      {"2024-02-30", false, 0},
      {"2023-02-29", false, 0},
      {"2024-04-31 00:00:00", false, 0},
      // A leap second is the last second of its minute.
      {"2016-12-31 23:59:60", true, 1483228799},
      {"2016-12-31 23:59:61", false, 0},
      {"2024-02-29", true, 1709164800},
      // The forms trawl prints read back: ISO, RFC 3339 offsets, fractions.
      {"2024-07-01T00:00:00Z", true, 1719792000},
      {"2024-07-01t00:00:00z", true, 1719792000},
      {"2024-07-01 00:00:00Z", true, 1719792000},
      {"2024-07-01T02:00:00+02:00", true, 1719792000},
      {"2024-06-30T18:30:00-05:30", true, 1719792000},
      {"2024-07-01T00:00:00+00:00", true, 1719792000},
      {"2024-07-01T00:00:00-00:00", true, 1719792000},
      {"2024-03-01T00:00:00+23:59", true, 1709251200 - 86340},
      {"2024-03-01T00:00:00-23:59", true, 1709251200 + 86340},
      {"2024-03-01T12:34:56.789Z", true, 1709296496},
      {"2024-03-01 12:34:56.999", true, 1709296496},
      {"2024-03-01 12:00:00.5+01:00", true, 1709290800},
      {"2024-03-01T00:00:00.123456789012345678901234567890Z", true, 1709251200},
      {"1969-12-31T23:30:00-01:00", true, 1800},
      {"1970-01-01T00:00:00Z", true, 0},
      {"2024-03-01T12:34:56.Z", false, 0},
      {"2024-03-01 12:34:56.", false, 0},
      {"2024-03-01T12:34:56.+01:00", false, 0},
      {"2024-03-01T24:00:00Z", false, 0},
      {"2024-03-01T23:60:00Z", false, 0},
      {"2016-12-31T23:59:60Z", true, 1483228799},
      {"2017-01-01T00:59:60+01:00", true, 1483228799},
      {"2024-03-01T23:59:61Z", false, 0},
      {"2024-02-30T00:00:00Z", false, 0},
      {"2023-02-29T12:00:00+01:00", false, 0},
      {"2024-13-01T00:00:00Z", false, 0},
      {"2024-03-00T00:00:00Z", false, 0},
      {"2024-03-01T00:00:00+24:00", false, 0},
      {"2024-03-01T00:00:00+23:60", false, 0},
      {"2024-03-01T00:00:00+0200", false, 0},
      {"2024-03-01T00:00:00+02", false, 0},
      {"2024-03-01T00:00:00 Z", false, 0},
      {"2024-03-01T00:00:00ZZ", false, 0},
      {"2024-03-01X00:00:00Z", false, 0},
      {"2024-3-01T00:00:00Z", false, 0},
      {"2024-03-01T1:00:00Z", false, 0},
      {"1970-01-01T00:30:00+01:00", false, 0},
      {"0000-01-01T00:00:00Z", false, 0},
  };
  for (const parse_row& row : rows) {
    uint64_t result = 12345;
    EXPECT_EQ(time_parse(row.text, kStart, &result), row.ok) << "'" << row.text << "'";
    if (row.ok) {
      EXPECT_EQ(result, row.expected) << "'" << row.text << "'";
    }
  }
}

TEST_F(TimeValuesTest, PrintedTimesReadBack) {
  for (uint64_t t :
       {uint64_t{1}, uint64_t{1709296496}, uint64_t{1719792000}, uint64_t{4102444799}}) {
    for (bool iso : {false, true}) {
      uint64_t back = 0;
      EXPECT_TRUE(time_parse(time_str(t, iso), kStart, &back)) << time_str(t, iso);
      EXPECT_EQ(back, t) << time_str(t, iso);
    }
    const timeval stamp{static_cast<time_t>(t), 999999};
    uint64_t back = 0;
    EXPECT_TRUE(time_parse(timeval_str(&stamp, true), kStart, &back)) << timeval_str(&stamp, true);
    EXPECT_EQ(back, t);
  }
}

TEST_F(TimeValuesTest, RelativeGrammar) {
  const std::vector<parse_row> rows = {
      {"90", true, 90},
      {"1w2d3h4m5s", true, 788645},
      {"1D", true, 86400},
      {"1d1d", true, 172800},
      {"30s1w", true, 604830},
      {"0s", true, 0},
      {"18446744073709551615", true, UINT64_MAX},
      {"18446744073709551615s", true, UINT64_MAX},
      {"", false, 0},
      {"d", false, 0},
      {"1x", false, 0},
      {"1d5", false, 0},
      {"-1d", false, 0},
      {"1 d", false, 0},
      {"1d ", false, 0},
      {"1d\t", false, 0},
      {"1\xe9", false, 0},
      {"1dd", false, 0},
      {"18446744073709551616", false, 0},
      {"18446744073709551615s1s", false, 0},
      {"30600000000000w", false, 0},
  };
  for (const parse_row& row : rows) {
    uint64_t seconds = 12345;
    errno = 0;
    int rc = time_parse_relative(row.text, &seconds);
    if (row.ok) {
      EXPECT_EQ(rc, 0) << "'" << row.text << "'";
      EXPECT_EQ(seconds, row.expected) << "'" << row.text << "'";
    } else {
      EXPECT_EQ(rc, -1) << "'" << row.text << "'";
      EXPECT_EQ(errno, EINVAL) << "'" << row.text << "'";
    }
  }
}

TEST_F(TimeValuesTest, TimeStrForms) {
  EXPECT_STREQ(time_str(0, false), "0");
  EXPECT_STREQ(time_str(0, true), "0");
  EXPECT_STREQ(time_str(1709251200, false), "2024-03-01 00:00:00");
  EXPECT_STREQ(time_str(1709251200, true), "2024-03-01T00:00:00Z");
  EXPECT_STREQ(time_str(1709296496, true), "2024-03-01T12:34:56Z");
}

TEST_F(TimeValuesTest, TimeStrYearBeyondBufferStaysTerminated) {
  const uint64_t year_10000 = 253402300800;
  EXPECT_STREQ(time_str(year_10000, false), "10000-01-01 00:00:00");
  EXPECT_STREQ(time_str(year_10000, true), "253402300800");
  EXPECT_LT(std::strlen(time_str(UINT64_MAX / 2, true)), 21u);
}

TEST_F(TimeValuesTest, TimevalStrFractions) {
  const timeval stamp{1709296496, 789012};
  EXPECT_STREQ(timeval_str(&stamp, true), "2024-03-01 12:34:56.789");
  EXPECT_STREQ(timeval_str(&stamp, false), "2024-03-01 12:34:56.789012");
  const timeval small{1709296496, 5000};
  EXPECT_STREQ(timeval_str(&small, true), "2024-03-01 12:34:56.005");
  EXPECT_STREQ(timeval_str(&small, false), "2024-03-01 12:34:56.005000");
}

TEST_F(TimeValuesTest, TimevalStrNowHasStampShape) {
  std::string now = timeval_str(nullptr, true);
  ASSERT_EQ(now.size(), 23u) << now;
  EXPECT_EQ(now[4], '-');
  EXPECT_EQ(now[10], ' ');
  EXPECT_EQ(now[13], ':');
  EXPECT_EQ(now[19], '.');
  EXPECT_GE(now.substr(0, 4), "2024");
}

TEST(DurationStrTest, Boundaries) {
  const std::vector<std::pair<uint64_t, std::string>> rows = {
      {0, "0s"},
      {1, "1s"},
      {59, "59s"},
      {60, "1m"},
      {61, "1m 1s"},
      {3599, "59m 59s"},
      {3600, "1h"},
      {3601, "1h 1s"},
      {3661, "1h 1m 1s"},
      {86399, "23h 59m 59s"},
      {86400, "~1d"},
      {86401, "~1d"},
      {86460, "~1d 1m"},
      {90061, "~1d 1h 1m"},
      {31535999, "~364d 23h 59m"},
      {31536000, "~1y"},
      {31539599, "~1y"},
      {31626000, "~1y ~1d"},
      {UINT64_MAX, "~584942417355y ~26d"},
  };
  for (const auto& [duration, expected] : rows) {
    char buf[50];
    EXPECT_EQ(duration_str(duration, buf, sizeof buf), static_cast<int>(expected.size()))
        << duration;
    EXPECT_EQ(std::string(buf), expected) << duration;
  }
}

TEST(DurationStrTest, SizeCountsTheTerminator) {
  char buf[8];
  EXPECT_EQ(duration_str(59, buf, 3), -1);
  EXPECT_EQ(duration_str(59, buf, 4), 3);
  EXPECT_STREQ(buf, "59s");
  EXPECT_EQ(duration_str(0, buf, 2), -1);
  EXPECT_EQ(duration_str(0, buf, 0), -1);
  EXPECT_EQ(duration_str(3661, buf, 8), -1);
}

}  // namespace
}  // namespace trawl
