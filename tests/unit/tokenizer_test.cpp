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
    tokenizer tok{row.text};
    EXPECT_EQ(all_tokens(tok, row.delimiters), row.tokens) << "'" << row.text << "'";
  }
}

TEST(TokenizerTest, EndingDelimiterIsLeftForTheNextCall) {
  tokenizer tok{"a=b,c"};
  EXPECT_EQ(tokenizer_next(tok, "="), "a");
  EXPECT_EQ(tokenizer_next(tok, ","), "=b");
  EXPECT_EQ(tokenizer_next(tok, ","), "c");
}

TEST(TokenizerTest, ExhaustedStaysExhausted) {
  tokenizer tok{"a,b"};
  EXPECT_EQ(tokenizer_next(tok, ","), "a");
  EXPECT_EQ(tokenizer_next(tok, ","), "b");
  EXPECT_EQ(tokenizer_next(tok, ",").data(), nullptr);
  EXPECT_EQ(tokenizer_next(tok, ",").data(), nullptr);
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
