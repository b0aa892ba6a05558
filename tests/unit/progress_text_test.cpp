#include <gtest/gtest.h>

#include "program/progress.h"

namespace trawl {
namespace {

TEST(ProgressText, BatchLinesOrOneAnswersRecordsAndBytes) {
  struct row {
    progress_counts counts;
    long elapsed_ms;
    const char* expected;
  } rows[] = {
      {{true, 1, 0, 1, 0}, 1000, "1 line done, 0 failed, 1 record, 0:01 elapsed"},
      {{true, 12, 3, 3456, 99}, 65999, "12 lines done, 3 failed, 3456 records, 1:05 elapsed"},
      {{true, 0, 0, 0, 0}, 3723000, "0 lines done, 0 failed, 0 records, 1:02:03 elapsed"},
      {{false, 5, 5, 2, 1023}, 1500, "2 records, 1023 bytes received, 0:01 elapsed"},
      {{false, 0, 0, 7, 1024}, 1000, "7 records, 1.0 KiB received, 0:01 elapsed"},
      {{false, 0, 0, 9, 1258291}, 9000, "9 records, 1.2 MiB received, 0:09 elapsed"},
      {{false, 0, 0, 9, 5368709120}, 9000, "9 records, 5.0 GiB received, 0:09 elapsed"},
  };
  for (const row& r : rows) EXPECT_EQ(progress_text(r.counts, r.elapsed_ms), r.expected);
}

}  // namespace
}  // namespace trawl
