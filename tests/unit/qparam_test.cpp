#include <gtest/gtest.h>

#include "core/option_values.h"
#include "core/options.h"
#include "core/qparam.h"

namespace trawl {
namespace {

struct option_row {
  int letter;
  const char* value;
  const char* error;  // nullptr: accepted
};

TEST(QparamOption, AcceptsAndRefusesAsDocumented) {
  run_options opts;
  opts.start_time = timeval{1700000000, 0};
  const option_row rows[] = {
      {'l', "0", nullptr},
      {'l', "100", nullptr},
      {'l', "-1", "-l must be zero or positive"},
      {'l', "x", "-l must be zero or positive: 'x' is not a number"},
      {'l', "99999999999999999999",
       "-l must be zero or positive: '99999999999999999999' is out of range"},
      {'L', "0", "-L must be positive"},
      {'L', "-3", "-L must be positive"},
      {'L', " 7abc", nullptr},  // leading blanks and trailing junk are allowed
      {'O', "0", nullptr},
      {'O', "-2", "-O must be zero or positive"},
      {'O', "", "-O must be zero or positive: '' is not a number"},
      {'L', "ten", "-L must be positive: 'ten' is not a number"},
      {'A', "1970-01-01", "bad -A timestamp: '1970-01-01' is the epoch, which means no bound"},
      {'A', "yesterday\x1b",
       "bad -A timestamp: 'yesterday\\027' (use YYYY-MM-DD[ HH:MM:SS], "
       "YYYY-MM-DDTHH:MM:SS[.SSS](Z|+HH:MM), seconds, or a relative time like 1w2d)"},
      {'A', "0", "bad -A timestamp: '0' is the epoch, which means no bound"},
      {'A', "2024-03-01", nullptr},
      {'A', "1d", nullptr},
      {'A', "2016-12-31T23:59:60Z", nullptr},  // a leap second
      {'A', "garbage",
       "bad -A timestamp: 'garbage' (use YYYY-MM-DD[ HH:MM:SS], "
       "YYYY-MM-DDTHH:MM:SS[.SSS](Z|+HH:MM), seconds, or a relative time like 1w2d)"},
      {'B', "2024-03-01 12:30",
       "bad -B timestamp: '2024-03-01 12:30' (use YYYY-MM-DD[ HH:MM:SS], "
       "YYYY-MM-DDTHH:MM:SS[.SSS](Z|+HH:MM), seconds, or a relative time like 1w2d)"},
      {'B', "-3600", nullptr},
      {'x', "whatever", nullptr},  // letters outside the set are ignored
  };
  for (const option_row& row : rows) {
    qparam qp;
    const std::optional<std::string> err = qparam_option(opts, row.letter, row.value, qp);
    if (row.error == nullptr)
      EXPECT_EQ(err, std::nullopt) << static_cast<char>(row.letter) << " " << row.value;
    else
      EXPECT_EQ(err, std::optional<std::string>(row.error))
          << static_cast<char>(row.letter) << " " << row.value;
  }
}

// The other decimal options (-o, -M, TRAWL_TIMEOUT) name their values alike.
TEST(DecimalValue, NamesAValueThatIsNoNumber) {
  struct row {
    const char* rule;
    const char* value;
    long least;
    std::optional<std::string> refusal;
    long number;  // when accepted
  };
  const row rows[] = {
      {"-o must be non-negative", "abc", 0, "-o must be non-negative: 'abc' is not a number", 0},
      {"-o must be non-negative", "-1", 0, "-o must be non-negative", 0},
      {"-o must be non-negative", "0", 0, std::nullopt, 0},
      {"-o must be non-negative", " +30s", 0, std::nullopt, 30},
      {"-M must be positive", "0", 1, "-M must be positive", 0},
      {"-M must be positive", "lots", 1, "-M must be positive: 'lots' is not a number", 0},
      {"-M must be positive", "-99999999999999999999", 1,
       "-M must be positive: '-99999999999999999999' is out of range", 0},
      {"TRAWL_TIMEOUT must be non-negative", "\t", 0,
       "TRAWL_TIMEOUT must be non-negative: '\\009' is not a number", 0},
  };
  for (const row& r : rows) {
    long number = -7;
    EXPECT_EQ(decimal_value(r.rule, r.value, r.least, &number), r.refusal) << r.value;
    if (!r.refusal) {
      EXPECT_EQ(number, r.number) << r.value;
    }
  }
}

TEST(QparamOption, OutputLimitAlsoSetsExplicitLimitButQueryLimitDoesNot) {
  const run_options opts;
  qparam qp;
  ASSERT_EQ(qparam_option(opts, 'L', "10", qp), std::nullopt);
  EXPECT_EQ(qp.output_limit, 10);
  EXPECT_EQ(qp.explicit_output_limit, 10);
  qparam other;
  ASSERT_EQ(qparam_option(opts, 'l', "10", other), std::nullopt);
  EXPECT_EQ(other.query_limit, 10);
  EXPECT_EQ(other.explicit_output_limit, -1);
  EXPECT_EQ(other.output_limit, -1);
}

TEST(QparamOption, RelativeTimesCountBackFromStart) {
  run_options opts;
  opts.start_time = timeval{1700000000, 0};
  qparam qp;
  ASSERT_EQ(qparam_option(opts, 'A', "1h", qp), std::nullopt);
  EXPECT_EQ(qp.after, 1700000000u - 3600u);
  ASSERT_EQ(qparam_option(opts, 'B', "-60", qp), std::nullopt);
  EXPECT_EQ(qp.before, 1700000000u - 60u);
}

TEST(QparamOption, GravelFollowsTheLastOfGAndCapitalG) {
  const run_options opts;
  qparam qp;
  qparam_option(opts, 'g', nullptr, qp);
  qparam_option(opts, 'G', nullptr, qp);
  EXPECT_FALSE(qp.gravel);
  qparam_option(opts, 'g', nullptr, qp);
  EXPECT_TRUE(qp.gravel);
}

}  // namespace
}  // namespace trawl
