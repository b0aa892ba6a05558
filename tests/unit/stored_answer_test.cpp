#include "engine/stored_answer.h"

#include <gtest/gtest.h>

#include "core/config_paths.h"
#include "program/cache_setup.h"

namespace trawl {
namespace {

// Everything that shapes an answer is in its key; the credential only as a
// digest.
TEST(StoredAnswerKey, DiffersWithEverythingThatShapesTheAnswer) {
  const std::vector<std::string> accept = {"Accept: application/json"};
  const sha256_digest base = stored_answer_key("trove1", "https://h/x", accept, "key");
  EXPECT_EQ(base, stored_answer_key("trove1", "https://h/x", accept, "key"));
  const sha256_digest others[] = {
      stored_answer_key("trove2", "https://h/x", accept, "key"),
      stored_answer_key("trove1", "https://h/y", accept, "key"),
      stored_answer_key("trove1", "https://h/x", {"Accept: application/x-ndjson"}, "key"),
      stored_answer_key("trove1", "https://h/x", {accept[0], "dribble-paginate-cursor: 1"}, "key"),
      stored_answer_key("trove1", "https://h/x", accept, "other key"),
      stored_answer_key("trove1", "https://h/x", accept, std::nullopt),
      stored_answer_key("trove1", "https://h/x", accept, ""),
      // Fields cannot run into each other.
      stored_answer_key("trove1h", "ttps://h/x", accept, "key"),
  };
  for (const sha256_digest& other : others) EXPECT_NE(base, other);
}

TEST(CacheSettings, SizesAndTheDefaultFile) {
  const struct {
    const char* text;
    std::optional<uint64_t> bytes;
  } sizes[] = {{"1048576", 1048576}, {"500M", 500ULL << 20}, {"2g", 2ULL << 30},
               {"1GiB", 1ULL << 30}, {"64kB", 64ULL << 10},  {"1T", 1ULL << 40},
               {"", std::nullopt},   {"1X", std::nullopt},   {"M", std::nullopt},
               {"-5", std::nullopt}, {"1.5G", std::nullopt}, {"9999999999999999", std::nullopt}};
  for (const auto& row : sizes) EXPECT_EQ(parse_size(row.text), row.bytes) << row.text;
  EXPECT_EQ(cache_file_default("/home/u", "/x/cache"), "/x/cache/trawl/answers.sqlite");
  EXPECT_EQ(cache_file_default("/home/u", "relative"), "/home/u/.cache/trawl/answers.sqlite");
  EXPECT_EQ(cache_file_default(nullptr, nullptr), std::nullopt);
}

}  // namespace
}  // namespace trawl
