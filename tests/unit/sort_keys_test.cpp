#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/options.h"
#include "sort/sort_keys.h"

namespace trawl {
namespace {

std::vector<std::string> arguments(const run_options& opts) {
  std::vector<std::string> args;
  for (const sort_key& key : opts.sort_keys) args.push_back(key.argument);
  return args;
}

class SortKeys : public ::testing::Test {
 protected:
  run_options opts_;
};

TEST_F(SortKeys, DefaultsAscendingAndDescending) {
  opts_.sorting = sort_mode::ascending;
  sort_key_defaults(opts_);
  EXPECT_EQ(arguments(opts_), (std::vector<std::string>{"-k1,1n", "-k2,2n", "-k3,3n", "-k4,4n",
                                                        "-k5,5", "-k6,6", "-k7,7"}));
  opts_.sort_keys.clear();
  opts_.sorting = sort_mode::descending;
  sort_key_defaults(opts_);
  EXPECT_EQ(arguments(opts_), (std::vector<std::string>{"-k1,1nr", "-k2,2nr", "-k3,3nr", "-k4,4nr",
                                                        "-k5,5r", "-k6,6r", "-k7,7r"}));
}

TEST_F(SortKeys, GivenKeysComeFirstWithTheirOwnDirection) {
  opts_.sorting = sort_mode::ascending;
  ASSERT_EQ(sort_key_add(opts_, "first"), nullptr);
  opts_.sorting = sort_mode::descending;
  ASSERT_EQ(sort_key_add(opts_, "last"), nullptr);
  sort_key_defaults(opts_);
  EXPECT_EQ(arguments(opts_), (std::vector<std::string>{"-k1,1n", "-k2,2nr", "-k3,3nr", "-k4,4nr",
                                                        "-k5,5r", "-k6,6r", "-k7,7r"}));
}

TEST_F(SortKeys, RepeatTestIsExactSoCaseVariantsFillTheList) {
  opts_.sorting = sort_mode::ascending;
  ASSERT_EQ(sort_key_add(opts_, "Name"), nullptr);
  EXPECT_EQ(sort_key_find(opts_, "name"), nullptr);
  ASSERT_EQ(sort_key_add(opts_, "name"), nullptr);
  sort_key_defaults(opts_);
  EXPECT_EQ(arguments(opts_), (std::vector<std::string>{"-k5,5", "-k5,5", "-k1,1n", "-k2,2n",
                                                        "-k3,3n", "-k4,4n", "-k6,6"}));
  EXPECT_STREQ(sort_key_add(opts_, "data"), "too many sort keys given.");
}

// Every key ends at its field; the record text closes the list, beyond the
// seven keys, so that -u drops only exact repeats.
TEST_F(SortKeys, ArgumentsEndEachKeyAndCloseWithTheRecordText) {
  struct row {
    std::vector<const char*> given;  // each given with -s, or with -S after a "-S"
    sort_mode final_direction;
    std::vector<std::string> expected;
  };
  const row rows[] = {
      {{"name", "count"},
       sort_mode::ascending,
       {"-k5,5", "-k4,4n", "-k1,1n", "-k2,2n", "-k3,3n", "-k6,6", "-k7,7", "-k8"}},
      {{"count", "name"},
       sort_mode::ascending,
       {"-k4,4n", "-k5,5", "-k1,1n", "-k2,2n", "-k3,3n", "-k6,6", "-k7,7", "-k8"}},
      {{"first", "-S", "data"},
       sort_mode::descending,
       {"-k1,1n", "-k7,7r", "-k2,2nr", "-k3,3nr", "-k4,4nr", "-k5,5r", "-k6,6r", "-k8r"}},
  };
  for (const row& r : rows) {
    run_options opts;
    opts.sorting = sort_mode::ascending;
    for (const char* name : r.given) {
      if (std::string(name) == "-S")
        opts.sorting = sort_mode::descending;
      else
        ASSERT_EQ(sort_key_add(opts, name), nullptr) << name;
    }
    EXPECT_EQ(opts.sorting, r.final_direction);
    sort_key_defaults(opts);
    EXPECT_EQ(opts.sort_keys.size(), max_sort_keys);
    EXPECT_EQ(sort_key_arguments(opts), r.expected);
  }
}

TEST_F(SortKeys, UnknownNames) {
  opts_.sorting = sort_mode::ascending;
  EXPECT_STREQ(sort_key_add(opts_, "size"),
               "key must be in first|last|duration|count|name|type|data");
  EXPECT_TRUE(opts_.sort_keys.empty());
}

}  // namespace
}  // namespace trawl
