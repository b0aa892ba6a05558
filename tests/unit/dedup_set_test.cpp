#include "support/dedup_set.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>

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

TEST(DedupSetTest, OneBucketIsASingleNewestFirstList) {
  auto set = dedup_set_new(1);
  for (const char* text : {"a", "b", "c"}) EXPECT_EQ(dedup_set_add(*set, text), 0);
  for (const char* text : {"a", "b", "c"}) EXPECT_EQ(dedup_set_add(*set, text), 1);
  EXPECT_EQ(dump_text(*set), "[0] \"c\" \"b\" \"a\".\n");
}

TEST(DedupSetTest, DumpListsNonEmptyBucketsInIndexOrder) {
  // With 10 buckets "a" and "k" share bucket 0, "c" and "m" bucket 2, "h" is alone in 7.
  auto set = dedup_set_new(10);
  for (const char* text : {"a", "c", "k", "h", "m"}) EXPECT_EQ(dedup_set_add(*set, text), 0);
  for (const char* text : {"a", "c", "k", "h", "m"}) EXPECT_EQ(dedup_set_add(*set, text), 1);
  EXPECT_EQ(dump_text(*set), "[0] \"k\" \"a\".\n[2] \"m\" \"c\".\n[7] \"h\".\n");
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

TEST(DedupSetTest, DestroyingAVeryLongChainDoesNotRecurse) {
  // Built directly: a million adds through dedup_set_add would be quadratic.
  auto set = dedup_set_new(1);
  for (int i = 0; i < 1000000; ++i) {
    auto entry = std::make_unique<dedup_entry>();
    entry->next = std::move(set->heads[0]);
    set->heads[0] = std::move(entry);
  }
  dedup_set_destroy(set);
  EXPECT_EQ(set, nullptr);
}

}  // namespace
}  // namespace trawl
