#include "support/tokenizer.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace trawl {
namespace {

std::vector<std::string> all_tokens(tokenizer& tok, const char* delimiters) {
  std::vector<std::string> tokens;
  for (std::string_view token = tokenizer_next(tok, delimiters); token.data() != nullptr;
       token = tokenizer_next(tok, delimiters)) {
    tokens.emplace_back(token);
  }
  return tokens;
}

struct split_row {
  const char* text;
  const char* delimiters;
  std::vector<std::string> tokens;
};

TEST(TokenizerTest, StringSplitsAtDelimiterRuns) {
  const std::vector<split_row> rows = {
      {"a,,b", ",", {"a", "b"}},
      {",a,", ",", {"a"}},
      {"", ",", {}},
      {",", ",", {}},
      {",,,", ",", {}},
      {"abc", ",", {"abc"}},
      {"$options  -l 5\t-A 1d", " \t", {"$options", "-l", "5", "-A", "1d"}},
  };
  for (const split_row& row : rows) {
    tokenizer_ptr tok = tokenizer_from_string(row.text);
    ASSERT_NE(tok, nullptr);
    EXPECT_EQ(all_tokens(*tok, row.delimiters), row.tokens) << "'" << row.text << "'";
  }
}

TEST(TokenizerTest, RegionTreatsNulAsDelimiterAndStopsAtLength) {
  const char bytes[] = {'a', 'b', '\0', 'c', 'd'};
  tokenizer_ptr short_region = tokenizer_from_region(bytes, 3);
  EXPECT_EQ(all_tokens(*short_region, ","), (std::vector<std::string>{"ab"}));

  tokenizer_ptr whole_region = tokenizer_from_region(bytes, 5);
  EXPECT_EQ(all_tokens(*whole_region, ","), (std::vector<std::string>{"ab", "cd"}));

  // Not NUL-terminated after the length: a token must end at the boundary.
  const char unterminated[] = {'x', 'y', 'z', 'w'};
  tokenizer_ptr cut = tokenizer_from_region(unterminated, 2);
  EXPECT_EQ(all_tokens(*cut, ","), (std::vector<std::string>{"xy"}));
  EXPECT_EQ(cut->remaining, 0u);

  tokenizer_ptr empty = tokenizer_from_region(bytes, 0);
  EXPECT_EQ(tokenizer_next(*empty, ",").data(), nullptr);

  const char trailing[] = {'a', ',', ','};
  tokenizer_ptr tail = tokenizer_from_region(trailing, sizeof trailing);
  EXPECT_EQ(all_tokens(*tail, ","), (std::vector<std::string>{"a"}));
}

TEST(TokenizerTest, EndingDelimiterIsLeftForTheNextCall) {
  tokenizer_ptr tok = tokenizer_from_string("a=b,c");
  EXPECT_EQ(tokenizer_next(*tok, "="), "a");
  EXPECT_EQ(tokenizer_next(*tok, ","), "=b");
  EXPECT_EQ(tokenizer_next(*tok, ","), "c");
}

TEST(TokenizerTest, ExhaustedStaysExhausted) {
  tokenizer_ptr tok = tokenizer_from_string("a,b");
  EXPECT_EQ(tokenizer_next_copy(*tok, ","), "a");
  EXPECT_EQ(tokenizer_next_copy(*tok, ","), "b");
  EXPECT_EQ(tokenizer_next_copy(*tok, ","), std::nullopt);
  EXPECT_EQ(tokenizer_next(*tok, ",").data(), nullptr);
  char buf[4];
  EXPECT_EQ(tokenizer_next_into(*tok, ",", buf, sizeof buf), 0);
  EXPECT_EQ(tokenizer_next_copy(*tok, ","), std::nullopt);
}

TEST(TokenizerTest, NextIntoNeedsRoomForTheTerminator) {
  tokenizer_ptr tok = tokenizer_from_string("abc,ab,x");
  char buf[3];
  std::memset(buf, '#', sizeof buf);
  EXPECT_EQ(tokenizer_next_into(*tok, ",", buf, sizeof buf), -1);
  EXPECT_EQ(std::string(buf, sizeof buf), "###");
  EXPECT_EQ(tokenizer_next_into(*tok, ",", buf, sizeof buf), 2);
  EXPECT_STREQ(buf, "ab");
  EXPECT_EQ(tokenizer_next_into(*tok, ",", buf, 1), -1);
  EXPECT_EQ(tokenizer_next_into(*tok, ",", buf, sizeof buf), 0);
}

TEST(TokenizerTest, DestroyEmptiesTheHandle) {
  tokenizer_ptr tok = tokenizer_from_string("a");
  tokenizer_destroy(tok);
  EXPECT_EQ(tok, nullptr);
}

TEST(TokenizerDeathTest, UnknownKindAborts) {
  tokenizer_ptr tok = tokenizer_from_string("a");
  tok->kind = static_cast<tokenizer_kind>(2);
  EXPECT_DEATH(tokenizer_next(*tok, ","), "");
}

}  // namespace
}  // namespace trawl

namespace trawl {
namespace {

TEST(TokenizerSplit, RunsOfDelimitersGiveNoEmptyTokens) {
  using list = std::vector<std::string>;
  EXPECT_EQ(tokenizer_split("a,,b", ","), (list{"a", "b"}));
  EXPECT_EQ(tokenizer_split(",a,", ","), (list{"a"}));
  EXPECT_EQ(tokenizer_split(",,,", ","), list{});
  EXPECT_EQ(tokenizer_split("", ","), list{});
  EXPECT_EQ(tokenizer_split("$options  -l 5\t-A 1d", " \t"),
            (list{"$options", "-l", "5", "-A", "1d"}));
  EXPECT_EQ(tokenizer_split("//rrset//name/x/", "/"), (list{"rrset", "name", "x"}));
}

}  // namespace
}  // namespace trawl
