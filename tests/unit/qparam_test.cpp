#include <gtest/gtest.h>

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
      {'l', "x", "-l must be zero or positive"},
      {'l', "99999999999999999999", "-l must be zero or positive"},
      {'L', "0", "-L must be positive"},
      {'L', "-3", "-L must be positive"},
      {'L', " 7abc", nullptr},  // leading blanks and trailing junk are allowed
      {'O', "0", nullptr},
      {'O', "-2", "-O must be zero or positive"},
      {'A', "0", "bad -A timestamp"},
      {'A', "2024-03-01", nullptr},
      {'A', "1d", nullptr},
      {'A', "garbage", "bad -A timestamp"},
      {'B', "2024-03-01 12:30", "bad -B timestamp"},
      {'B', "-3600", nullptr},
      {'x', "whatever", nullptr},  // letters outside the set are ignored
  };
  for (const option_row& row : rows) {
    qparam qp;
    const char* err = qparam_option(opts, row.letter, row.value, qp);
    if (row.error == nullptr)
      EXPECT_EQ(err, nullptr) << static_cast<char>(row.letter) << " " << row.value;
    else
      EXPECT_STREQ(err, row.error) << static_cast<char>(row.letter) << " " << row.value;
  }
}

TEST(QparamOption, OutputLimitAlsoSetsExplicitLimitButQueryLimitDoesNot) {
  const run_options opts;
  qparam qp;
  ASSERT_EQ(qparam_option(opts, 'L', "10", qp), nullptr);
  EXPECT_EQ(qp.output_limit, 10);
  EXPECT_EQ(qp.explicit_output_limit, 10);
  qparam other;
  ASSERT_EQ(qparam_option(opts, 'l', "10", other), nullptr);
  EXPECT_EQ(other.query_limit, 10);
  EXPECT_EQ(other.explicit_output_limit, -1);
  EXPECT_EQ(other.output_limit, -1);
}

TEST(QparamOption, RelativeTimesCountBackFromStart) {
  run_options opts;
  opts.start_time = timeval{1700000000, 0};
  qparam qp;
  ASSERT_EQ(qparam_option(opts, 'A', "1h", qp), nullptr);
  EXPECT_EQ(qp.after, 1700000000u - 3600u);
  ASSERT_EQ(qparam_option(opts, 'B', "-60", qp), nullptr);
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
