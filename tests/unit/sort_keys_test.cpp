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
  EXPECT_EQ(arguments(opts_),
            (std::vector<std::string>{"-k1n", "-k2n", "-k3n", "-k4n", "-k5", "-k6", "-k7"}));
  opts_.sort_keys.clear();
  opts_.sorting = sort_mode::descending;
  sort_key_defaults(opts_);
  EXPECT_EQ(arguments(opts_),
            (std::vector<std::string>{"-k1nr", "-k2nr", "-k3nr", "-k4nr", "-k5r", "-k6r", "-k7r"}));
}

TEST_F(SortKeys, GivenKeysComeFirstWithTheirOwnDirection) {
  opts_.sorting = sort_mode::ascending;
  ASSERT_EQ(sort_key_add(opts_, "first"), nullptr);
  opts_.sorting = sort_mode::descending;
  ASSERT_EQ(sort_key_add(opts_, "last"), nullptr);
  sort_key_defaults(opts_);
  EXPECT_EQ(arguments(opts_),
            (std::vector<std::string>{"-k1n", "-k2nr", "-k3nr", "-k4nr", "-k5r", "-k6r", "-k7r"}));
}

TEST_F(SortKeys, RepeatTestIsExactSoCaseVariantsFillTheList) {
  opts_.sorting = sort_mode::ascending;
  ASSERT_EQ(sort_key_add(opts_, "Name"), nullptr);
  EXPECT_EQ(sort_key_find(opts_, "name"), nullptr);
  ASSERT_EQ(sort_key_add(opts_, "name"), nullptr);
  sort_key_defaults(opts_);
  EXPECT_EQ(arguments(opts_),
            (std::vector<std::string>{"-k5", "-k5", "-k1n", "-k2n", "-k3n", "-k4n", "-k6"}));
  EXPECT_STREQ(sort_key_add(opts_, "data"), "too many sort keys given.");
}

TEST_F(SortKeys, UnknownNames) {
  opts_.sorting = sort_mode::ascending;
  EXPECT_STREQ(sort_key_add(opts_, "size"),
               "key must be in first|last|duration|count|name|type|data");
  EXPECT_TRUE(opts_.sort_keys.empty());
}

}  // namespace
}  // namespace trawl
