#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "trawl/settings.h"
#include "trawl/sort.h"

namespace trawl {
namespace {

std::vector<std::string> arguments() {
  std::vector<std::string> args;
  for (int i = 0; i < sort_key_count(); ++i) args.push_back(sort_key_at(i).argument);
  return args;
}

class SortKeys : public ::testing::Test {
 protected:
  void TearDown() override {
    sort_keys_free();
    sorting = sort_none;
  }
};

TEST_F(SortKeys, DefaultsAscendingAndDescending) {
  sorting = sort_ascending;
  sort_key_defaults();
  EXPECT_EQ(arguments(),
            (std::vector<std::string>{"-k1n", "-k2n", "-k3n", "-k4n", "-k5", "-k6", "-k7"}));
  sort_keys_free();
  sorting = sort_descending;
  sort_key_defaults();
  EXPECT_EQ(arguments(),
            (std::vector<std::string>{"-k1nr", "-k2nr", "-k3nr", "-k4nr", "-k5r", "-k6r", "-k7r"}));
}

TEST_F(SortKeys, GivenKeysComeFirstWithTheirOwnDirection) {
  sorting = sort_ascending;
  ASSERT_EQ(sort_key_add("first"), nullptr);
  sorting = sort_descending;
  ASSERT_EQ(sort_key_add("last"), nullptr);
  sort_key_defaults();
  EXPECT_EQ(arguments(),
            (std::vector<std::string>{"-k1n", "-k2nr", "-k3nr", "-k4nr", "-k5r", "-k6r", "-k7r"}));
}

TEST_F(SortKeys, RepeatTestIsExactSoCaseVariantsFillTheList) {
  sorting = sort_ascending;
  ASSERT_EQ(sort_key_add("Name"), nullptr);
  EXPECT_EQ(sort_key_find("name"), nullptr);
  ASSERT_EQ(sort_key_add("name"), nullptr);
  sort_key_defaults();
  EXPECT_EQ(arguments(),
            (std::vector<std::string>{"-k5", "-k5", "-k1n", "-k2n", "-k3n", "-k4n", "-k6"}));
  EXPECT_STREQ(sort_key_add("data"), "too many sort keys given.");
}

TEST_F(SortKeys, UnknownNames) {
  sorting = sort_ascending;
  EXPECT_STREQ(sort_key_add("size"), "key must be in first|last|duration|count|name|type|data");
  EXPECT_EQ(sort_key_count(), 0);
}

}  // namespace
}  // namespace trawl
