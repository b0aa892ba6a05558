#include "support/dedup_set.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace trawl {
namespace {

struct file_closer {
  void operator()(FILE* f) const { std::fclose(f); }
};

std::string dump_text(const dedup_set& set) {
  std::unique_ptr<FILE, file_closer> file(std::tmpfile());
  EXPECT_NE(file, nullptr);
  dedup_set_dump(set, file.get());
  std::rewind(file.get());
  std::string text;
  char chunk[256];
  size_t got = 0;
  while ((got = std::fread(chunk, 1, sizeof chunk, file.get())) > 0) text.append(chunk, got);
  return text;
}

// The values of a dump, checking that every line is one slot in index order.
std::vector<std::string> dumped_values(const dedup_set& set) {
  std::istringstream lines(dump_text(set));
  std::vector<std::string> values;
  long previous = -1;
  for (std::string line; std::getline(lines, line);) {
    size_t close = line.find("] \"");
    EXPECT_EQ(line[0], '[') << line;
    EXPECT_NE(close, std::string::npos) << line;
    EXPECT_EQ(line.substr(line.size() - 2), "\".") << line;
    long index = std::stol(line.substr(1, close - 1));
    EXPECT_GT(index, previous) << line;
    previous = index;
    values.push_back(line.substr(close + 3, line.size() - close - 5));
  }
  return values;
}

TEST(DedupSetTest, HashIsTimesThirtyThreeOverUnsignedBytes) {
  EXPECT_EQ(dedup_set_hash(""), 5381u);
  EXPECT_EQ(dedup_set_hash("a"), 5381u * 33 + 'a');
  EXPECT_EQ(dedup_set_hash("\xff"), 177828u);
  EXPECT_EQ(dedup_set_hash("host.example.com"), 3722334763178836522u);
}

TEST(DedupSetTest, AddReportsPresenceCaseSensitively) {
  auto set = dedup_set_new(10000);
  EXPECT_EQ(dedup_set_add(*set, "x"), 0);
  EXPECT_EQ(dedup_set_add(*set, "x"), 1);
  EXPECT_EQ(dedup_set_add(*set, "X"), 0);
  EXPECT_EQ(dedup_set_add(*set, ""), 0);
  EXPECT_EQ(dedup_set_add(*set, ""), 1);
}

TEST(DedupSetTest, AddCopiesTheString) {
  auto set = dedup_set_new(16);
  std::string text = "value";
  EXPECT_EQ(dedup_set_add(*set, text.c_str()), 0);
  text[0] = 'V';
  EXPECT_EQ(dedup_set_add(*set, "value"), 1);
}

TEST(DedupSetTest, EqualHashesAreBothKept) {
  ASSERT_EQ(dedup_set_hash("Ab"), dedup_set_hash("BA"));
  auto set = dedup_set_new(4);
  EXPECT_EQ(dedup_set_add(*set, "Ab"), 0);
  EXPECT_EQ(dedup_set_add(*set, "BA"), 0);
  EXPECT_EQ(dedup_set_add(*set, "Ab"), 1);
  EXPECT_EQ(dedup_set_add(*set, "BA"), 1);
}

TEST(DedupSetTest, OneBucketGrowsAndDumpsEachValueOnce) {
  auto set = dedup_set_new(1);
  for (const char* text : {"a", "b", "", "c"}) EXPECT_EQ(dedup_set_add(*set, text), 0);
  for (const char* text : {"a", "b", "", "c"}) EXPECT_EQ(dedup_set_add(*set, text), 1);
  std::vector<std::string> values = dumped_values(*set);
  EXPECT_EQ(std::multiset<std::string>(values.begin(), values.end()),
            (std::multiset<std::string>{"", "a", "b", "c"}));
}

TEST(DedupSetTest, GrowthKeepsEveryValueFindableAndUnique) {
  auto set = dedup_set_new(10);
  std::vector<std::string> values{""};
  // Names differing only in their last characters have neighbouring hashes.
  for (int i = 0; i < 100000; ++i) values.push_back("host" + std::to_string(i) + ".example.");
  for (const std::string& value : values) ASSERT_EQ(dedup_set_add(*set, value.c_str()), 0) << value;
  for (const std::string& value : values) ASSERT_EQ(dedup_set_add(*set, value.c_str()), 1) << value;
  EXPECT_EQ(dedup_set_add(*set, "host100000.example."), 0);
  std::vector<std::string> dumped = dumped_values(*set);
  EXPECT_EQ(dumped.size(), values.size() + 1);
  EXPECT_EQ(std::set<std::string>(dumped.begin(), dumped.end()).size(), dumped.size());
}

TEST(DedupSetTest, StringsLongerThanAnArenaBlockSurviveBesideShortOnes) {
  auto set = dedup_set_new(8);
  // Blocks hold 256 KiB: 262143 characters and the NUL fill one exactly.
  std::vector<std::string> values;
  char fill = 'a';
  for (size_t length : {3u, 262143u, 5u, 262144u, 900000u, 7u}) values.emplace_back(length, fill++);
  for (const std::string& value : values) EXPECT_EQ(dedup_set_add(*set, value.c_str()), 0);
  for (const std::string& value : values) EXPECT_EQ(dedup_set_add(*set, value.c_str()), 1);
  std::vector<std::string> dumped = dumped_values(*set);
  EXPECT_EQ(std::multiset<std::string>(dumped.begin(), dumped.end()),
            std::multiset<std::string>(values.begin(), values.end()));
}

TEST(DedupSetTest, EmptySetDumpsNothing) {
  auto set = dedup_set_new(10);
  EXPECT_EQ(dump_text(*set), "");
}

TEST(DedupSetTest, DestroyEmptiesTheHandle) {
  auto set = dedup_set_new(10);
  dedup_set_add(*set, "x");
  dedup_set_destroy(set);
  EXPECT_EQ(set, nullptr);
  dedup_set_destroy(set);
  EXPECT_EQ(set, nullptr);
}

}  // namespace
}  // namespace trawl
