#include "support/safe_text.h"

#include <gtest/gtest.h>

#include <string>

#include "master_text.h"
#include "support/line_reader.h"

namespace trawl {
namespace {

TEST(SafeText, EscapesWhatATerminalWouldActOn) {
  struct row {
    std::string in;
    std::string out;
  };
  const row rows[] = {
      {"plain text.", "plain text."},
      {"a\nb\rc\td", "a\\010b\\013c\\009d"},
      {std::string("nul\0x", 5), "nul\\000x"},
      {"\x1b[2J\x7f", "\\027[2J\\127"},
      {"x\\032y", "x\\032y"},          // an escape already
      {"x\\.y", "x\\.y"},              // an escaped dot of a name
      {"end\\", "end\\092"},           // a lone backslash
      {"x\\03", "x\\09203"},           // too few digits to be an escape
      {"x\\\n", "x\\092\\010"},        // a backslash before what is escaped
      {"caf\xc3\xa9", "caf\xc3\xa9"},  // UTF-8 stays
      {"\xe2\x82\xac\xf0\x9f\x98\x80", "\xe2\x82\xac\xf0\x9f\x98\x80"},
      {"bad\xc3", "bad\\195"},                       // cut short
      {"\xc0\xaf", "\\192\\175"},                    // overlong
      {"\xed\xa0\x80", "\\237\\160\\128"},           // a surrogate
      {"\xf4\x90\x80\x80", "\\244\\144\\128\\128"},  // past U+10FFFF
      {"\xff", "\\255"},
      // An escape is kept whole: its second byte never starts another.
      {"a\\\\", "a\\\\"},
      {"a\\\\092", "a\\\\092"},
      {"a\\\\\\", "a\\\\\\092"},
      {"\\\\\n", "\\\\\\010"},
      {"x\\255y", "x\\255y"},
      {"x\\256y", "x\\092256y"},  // past a byte: no escape
      {"x\\ y", "x\\092 y"},      // an escaped blank would not be seen
      {"x\\\xc3\xa9", "x\\092\xc3\xa9"},
      {"\xc2\x9b", "\\194\\155"},  // a C1 control, as terminals may read it
      {"\xc2\xa0", "\xc2\xa0"},
      // What reorders or hides the text around it: a right-to-left override,
      // an isolate, joiners, a byte-order mark. A mark beside them stays.
      {"a\xe2\x80\xae"
       "b",
       "a\\226\\128\\174b"},
      {"\xe2\x81\xa6\xe2\x81\xa9", "\\226\\129\\166\\226\\129\\169"},
      {"\xe2\x80\x8b\xe2\x80\x8f\xe2\x81\xa0", "\\226\\128\\139\\226\\128\\143\\226\\129\\160"},
      {"\xef\xbb\xbf", "\\239\\187\\191"},
      {"\xe2\x80\x8a\xe2\x80\x90\xe2\x81\xa5", "\xe2\x80\x8a\xe2\x80\x90\xe2\x81\xa5"},
  };
  for (const row& r : rows) {
    EXPECT_EQ(safe_text(r.in), r.out) << r.in;
    EXPECT_EQ(is_safe_text(r.in), r.in == r.out) << r.in;
  }
  for (const row& r : rows) {
    EXPECT_TRUE(oracle::safe(r.out)) << r.in;
    EXPECT_EQ(oracle::meaning(r.out), oracle::meaning(r.in)) << r.in;
  }
  EXPECT_TRUE(has_control_character("a\x01"));
  EXPECT_FALSE(has_control_character("caf\xc3\xa9"));
}

// Texts that denote different names never print the same. Raw bytes cannot
// all stay apart: the byte 1 and the four characters \001 name the same.
TEST(SafeText, DifferentMeaningsPrintDifferently) {
  const std::string texts[] = {
      "a\\",   "a\\\\",  "a\\\\092", "a\\092",   "a\\\\\\",    "\\\\\\\\",   "\\0",    "\\00",
      "\\000", "\\0000", "\\999",    "\\\\999",  "\\\n",       "\\\\\n",     "\\\x80", "\\\\\x80",
      "\x80",  "\\128",  "\\\\128",  "\xc3\xa9", "\\195\\169", "\\\xc3\xa9", "",       "\\",
  };
  for (const std::string& a : texts) {
    EXPECT_TRUE(oracle::safe(safe_text(a))) << a;
    EXPECT_EQ(oracle::meaning(safe_text(a)), oracle::meaning(a)) << a;
    EXPECT_EQ(safe_text(safe_text(a)), safe_text(a)) << a;
    for (const std::string& b : texts) {
      if (oracle::meaning(a) != oracle::meaning(b)) {
        EXPECT_NE(safe_text(a), safe_text(b)) << a << " " << b;
      }
    }
  }
}

// Lines as a batch or a sort child hands them over.
TEST(LineReader, BoundsLinesAndKeepsEveryByte) {
  const std::string big(70000, 'x');  // spans reads of the reader's buffer
  const std::string input = "one\n" + big + "\n" + std::string("n\0l\n", 4) + "toolong\nlast";
  FILE* in = tmpfile();
  ASSERT_NE(in, nullptr);
  ASSERT_EQ(fwrite(input.data(), 1, input.size(), in), input.size());
  ASSERT_EQ(fflush(in), 0);
  rewind(in);
  {
    line_reader reader(fileno(in), 70001);
    std::string_view line;
    ASSERT_TRUE(reader.next(line));
    EXPECT_EQ(line, "one\n");
    ASSERT_TRUE(reader.next(line));
    EXPECT_EQ(line, big + "\n");
    ASSERT_TRUE(reader.next(line));
    EXPECT_EQ(line, std::string("n\0l\n", 4));
    ASSERT_TRUE(reader.next(line));
    EXPECT_EQ(line, "toolong\n");
    ASSERT_TRUE(reader.next(line));
    EXPECT_EQ(line, "last");
    EXPECT_FALSE(reader.next(line));
    EXPECT_EQ(reader.error(), 0);
  }
  rewind(in);
  {
    line_reader reader(fileno(in), 7);
    std::string_view line;
    ASSERT_TRUE(reader.next(line));
    EXPECT_EQ(line, "one\n");
    ASSERT_TRUE(reader.next(line));
    EXPECT_TRUE(reader.too_long());
    EXPECT_TRUE(line.empty());
    ASSERT_TRUE(reader.next(line));
    EXPECT_FALSE(reader.too_long());
    EXPECT_EQ(line.size(), 4u);
    ASSERT_TRUE(reader.next(line));
    EXPECT_TRUE(reader.too_long());  // eight bytes with its newline
    ASSERT_TRUE(reader.next(line));
    EXPECT_EQ(line, "last");
  }
  fclose(in);
}

TEST(SafeText, QuotedValuesShowTheStartOfALongValue) {
  EXPECT_EQ(quoted_value("short"), "'short'");
  const std::string limit(quoted_value_limit, 'x');
  EXPECT_EQ(quoted_value(limit), "'" + limit + "'");
  EXPECT_EQ(quoted_value(limit + "yz"), "'" + limit + "'... (2 more bytes)");
  // A UTF-8 sequence across the limit is left out whole.
  const std::string cut = std::string(quoted_value_limit - 1, 'x') + "\xc3\xa9";
  EXPECT_EQ(quoted_value(cut), "'" + cut.substr(0, quoted_value_limit - 1) + "'... (2 more bytes)");
}

TEST(SafeText, JsonShowsInvisibleCharactersAsEscapes) {
  struct row {
    std::string_view in, out;
  };
  const row rows[] = {
      {R"({"a":"b"})", R"({"a":"b"})"},
      {"{\"rrname\":\"a\xc2\x9b"
       "2J\xe2\x80\xae"
       "b\xe2\x81\xa6"
       "c\"}",
       R"({"rrname":"a\u009B2J\u202Eb\u2066c"})"},
      {"[\"\xe2\x80\x8d\xef\xbb\xbf\xc3\xa9\"]", R"(["\u200D\uFEFF)"
                                                 "\xc3\xa9\"]"},
  };
  for (const row& r : rows) {
    std::string out;
    append_json_visible(out, r.in);
    EXPECT_EQ(out, r.out) << r.in;
    EXPECT_EQ(json_needs_visible(r.in), r.in != r.out) << r.in;
  }
}

}  // namespace
}  // namespace trawl
