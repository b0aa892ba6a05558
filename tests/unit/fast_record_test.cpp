#include <jansson.h>

#include <optional>
#include <string>
#include <vector>

#include "../../fuzz/fast_json_check.h"
#include "pdns_record_fixture.h"
#include "records/fast_record.h"

namespace trawl {
namespace {

class fast_record_test : public pdns_record_test {};

struct fast_row {
  std::string line;
  bool framed;
  fast_status status;
  std::string expected;  // decoded: the record text; type_error: the message
};

constexpr auto decoded = fast_status::decoded;
constexpr auto type_error = fast_status::type_error;
constexpr auto declined = fast_status::declined;

// Every row is also decoded by the reference path, which must agree with
// whatever the fast path did not decline; one view serves every row, as one
// serves a whole stream.
void check_rows(const run_options& opts, const std::vector<fast_row>& rows) {
  record_view view;
  for (const fast_row& row : rows) {
    const fast_result result = fast_decode(row.line, row.framed, view);
    EXPECT_EQ(result.status, row.status) << row.line;
    if (result.status == fast_status::type_error && row.status == fast_status::type_error) {
      EXPECT_EQ(std::string(result.message), row.expected) << row.line;
    }
    if (result.status == fast_status::decoded && row.status == fast_status::decoded) {
      EXPECT_EQ(view.record_text, row.expected) << row.line;
    }
    if (result.status != fast_status::decoded) {
      EXPECT_FALSE(view.has_record) << row.line;
    }
    const std::optional<std::string> difference =
        fast_json_difference(row.line, row.framed, opts, view);
    EXPECT_FALSE(difference) << row.line << ": " << *difference;
  }
}

TEST_F(fast_record_test, RecordsComeBackAsTheReferenceWritesThem) {
  const std::string typical =
      R"({"count":1721,"time_first":1401302400,"time_last":1469487600,)"
      R"("rrname":"mail.falcon12.co.uk.","rrtype":"TXT","bailiwick":"falcon12.co.uk.",)"
      R"("rdata":["\"v=spf1 ip4:10.0.7.0/24 include:_spf7.falcon12.co.uk. -all\""]})";
  check_rows(
      opts_,
      {
          {typical, false, decoded, typical},
          {"{\"obj\":" + typical + "}", true, decoded, typical},
          {" { \"count\" : 5 ,\t\"rrname\":\"a.\" }\r ", false, decoded,
           R"({"count":5,"rrname":"a."})"},
          {"{}", false, decoded, "{}"},
          {R"({"rdata":[]})", false, decoded, R"({"rdata":[]})"},
          // Escapes: "/" and non-ASCII come back raw, control characters in short
          // form or as upper-case \u00XX, DEL as is.
          {R"({"rdata":"\u00e9\/\u001f\u007f\b\f\n\r\t\"\\\u0041\u2028"})", false, decoded,
           "{\"rdata\":\"\xc3\xa9/\\u001F\x7f\\b\\f\\n\\r\\t\\\"\\\\A\xe2\x80\xa8\"}"},
          {R"({"rrname":"\ud83d\ude00."})", false, decoded, "{\"rrname\":\"\xf0\x9f\x98\x80.\"}"},
          {"{\"rrname\":\"\xc3\xa9\xed\x9f\xbf.\"}", false, decoded,
           "{\"rrname\":\"\xc3\xa9\xed\x9f\xbf.\"}"},
          {R"({"\u0063ount":1})", false, decoded, R"({"count":1})"},
          // Array elements of any kind; only strings are rdata values.
          {R"({"rdata":["a",7,null,true,{"x":[1,false]},[]]})", false, decoded,
           R"({"rdata":["a",7,null,true,{"x":[1,false]},[]]})"},
          {R"({"time_first":0,"time_last":-1,"count":9223372036854775807,)"
           R"("num_results":-9223372036854775808})",
           false, decoded,
           R"({"time_first":0,"time_last":-1,"count":9223372036854775807,)"
           R"("num_results":-9223372036854775808})"},
          // Keys the decoder does not read stay in the record.
          {R"({"_trawl":{"anno":{}},"rrtype":"A","extra":[[[]]]})", false, decoded,
           R"({"_trawl":{"anno":{}},"rrtype":"A","extra":[[[]]]})"},
          // Plain streams never look at the framing keys.
          {R"({"cond":5,"msg":[],"obj":"x"})", false, decoded, R"({"cond":5,"msg":[],"obj":"x"})"},
          {"{}", true, decoded, ""},
          {R"({"cond":"begin"})", true, decoded, ""},
          {R"({"cond":"limited","msg":"Result limit reached"})", true, decoded, ""},
          {R"({"x":[1,{"y":true}],"cond":"ongoing","obj":{"rrname":"a."},"z":null})", true, decoded,
           R"({"rrname":"a."})"},
          // Outside obj the record keys of a framed line mean nothing.
          {R"({"count":"5","obj":{}})", true, decoded, "{}"},
      });
}

TEST_F(fast_record_test, WrongTypesGetTheReferenceMessages) {
  check_rows(opts_,
             {
                 {R"({"count":"5"})", false, type_error, "count must be an integer"},
                 {R"({"count":true})", false, type_error, "count must be an integer"},
                 {R"({"bailiwick":null})", false, type_error, "bailiwick must be a string"},
                 {R"({"rdata":{}})", false, type_error, "rdata must be a string or array"},
                 {R"({"rdata":7})", false, type_error, "rdata must be a string or array"},
                 {R"({"time_last":"x","time_first":"y"})", false, type_error,
                  "time_first must be an integer"},
                 {R"({"time_first":"x","zone_time_first":"y"})", false, type_error,
                  "zone_time_first must be an integer"},
                 {R"({"rrtype":1,"rrname":1})", false, type_error, "rrname must be a string"},
                 {R"({"rdata":1,"rrtype":[]})", false, type_error, "rrtype must be a string"},
                 {R"({"num_results":"x","rrname":1})", false, type_error,
                  "num_results must be an integer"},
                 {R"({"obj":5,"msg":5,"cond":5})", true, type_error, "cond must be a string"},
                 {R"({"obj":5,"msg":5})", true, type_error, "msg must be a string"},
                 {R"({"obj":[]})", true, type_error, "obj must be an object"},
                 {R"({"obj":{"count":"5"}})", true, type_error, "count must be an integer"},
                 // A parse failure after a bad key is the reference's own report.
                 {R"({"count":"5",})", false, declined, ""},
             });
}

TEST_F(fast_record_test, LinesTheReferenceMightReadOtherwiseAreDeclined) {
  std::string deep(40, '[');
  deep = "{\"a\":" + deep + std::string(40, ']') + "}";
  std::string many = "{";
  for (int i = 0; i < 65; ++i) many += (i ? ",\"k" : "\"k") + std::to_string(i) + "\":1";
  many += "}";
  check_rows(opts_,
             {
                 // Only an object at the top; arrays are left to the reference.
                 {"", false, declined, ""},
                 {"  ", false, declined, ""},
                 {"5", false, declined, ""},
                 {"\"x\"", false, declined, ""},
                 {"[]", false, declined, ""},
                 {"\xef\xbb\xbf{}", false, declined, ""},
                 // Anything after the object, or broken structure.
                 {"{} x", false, declined, ""},
                 {"{}}", false, declined, ""},
                 {std::string("{}\0", 3), false, declined, ""},
                 {R"({"a":1,})", false, declined, ""},
                 {R"({"a" 1})", false, declined, ""},
                 {R"({"a":1)", false, declined, ""},
                 {R"({"a":tru})", false, declined, ""},
                 {R"({"a":nul})", false, declined, ""},
                 {R"({"a":True})", false, declined, ""},
                 {R"({"a":1x})", false, declined, ""},
                 // Numbers other than canonical 64-bit integers.
                 {R"({"a":01})", false, declined, ""},
                 {R"({"a":-0})", false, declined, ""},
                 {R"({"a":1.0})", false, declined, ""},
                 {R"({"a":1e2})", false, declined, ""},
                 {R"({"a":1E400})", false, declined, ""},
                 {R"({"count":5.0})", false, declined, ""},
                 {R"({"a":9223372036854775808})", false, declined, ""},
                 {R"({"a":-9223372036854775809})", false, declined, ""},
                 {R"({"a":18446744073709551616})", false, declined, ""},
                 // Strings the reference refuses or treats differently.
                 {R"({"a":"\u0000"})", false, declined, ""},
                 {R"({"\u0000":1})", false, declined, ""},
                 {R"({"a":"\ud800"})", false, declined, ""},
                 {R"({"a":"\udc00x"})", false, declined, ""},
                 {R"({"a":"\ud800\u0041"})", false, declined, ""},
                 {"{\"a\":\"x\ty\"}", false, declined, ""},
                 {std::string("{\"a\":\"x\0y\"}", 11), false, declined, ""},
                 {"{\"a\":\"\xff\"}", false, declined, ""},
                 {"{\"a\":\"\xc0\x80\"}", false, declined, ""},
                 {"{\"a\":\"\xed\xa0\x80\"}", false, declined, ""},
                 {"{\"a\":\"\xf4\x90\x80\x80\"}", false, declined, ""},
                 {R"({"a":"\x"})", false, declined, ""},
                 // Duplicate keys, also when spelled differently.
                 {R"({"a":1,"a":2})", false, declined, ""},
                 {R"({"count":1,"\u0063ount":2})", false, declined, ""},
                 {R"({"obj":{"x":{"b":1,"b":1}}})", true, declined, ""},
                 // Sizes.
                 {deep, false, declined, ""},
                 {many, false, declined, ""},
                 {"{\"a\":\"" + std::string(fast_max_line, 'x') + "\"}", false, declined, ""},
             });
}

TEST_F(fast_record_test, ViewHoldsValuesAndPresence) {
  record_view view;
  const std::string line =
      R"({"cond":"ongoing","msg":"m\u00e9","obj":{"time_first":0,"zone_time_last":7,)"
      R"("count":-3,"rrname":"a\\.b.","rrtype":"NS","rdata":["x",1,"y"]}})";
  ASSERT_EQ(fast_decode(line, true, view).status, fast_status::decoded);
  EXPECT_TRUE(view.has_record);
  EXPECT_TRUE(view.has.obj && view.has.cond && view.has.msg);
  EXPECT_EQ(view.cond, "ongoing");
  EXPECT_EQ(view.msg, "m\xc3\xa9");
  EXPECT_TRUE(view.has.time_first);
  EXPECT_EQ(view.time_first, 0u);
  EXPECT_FALSE(view.has.time_last || view.has.zone_time_first || view.has.bailiwick);
  EXPECT_TRUE(view.has.zone_time_last);
  EXPECT_EQ(view.zone_time_last, 7u);
  EXPECT_EQ(view.count, -3);
  EXPECT_EQ(view.rrname, "a\\.b.");
  EXPECT_EQ(view.rrtype, "NS");
  EXPECT_TRUE(view.rdata_is_array);
  EXPECT_TRUE(view.rdata.empty());
  ASSERT_EQ(view.rdata_values.size(), 3u);
  EXPECT_EQ(view.rdata_values[0].text, "x");
  EXPECT_TRUE(view.rdata_values[1].bad);
  EXPECT_FALSE(view.rdata_values[2].bad);
  EXPECT_EQ(view.rdata_values[2].text, "y");

  ASSERT_EQ(fast_decode(R"({"rdata":"192.0.2.1"})", false, view).status, fast_status::decoded);
  EXPECT_FALSE(view.has.cond || view.has.obj || view.has.rrname || view.rdata_is_array);
  EXPECT_EQ(view.rdata, "192.0.2.1");
  ASSERT_EQ(view.rdata_values.size(), 1u);
  EXPECT_EQ(view.rdata_values[0].text, "192.0.2.1");

  // A refused line leaves no record behind.
  ASSERT_EQ(fast_decode(R"({"count":"1","rdata":["x"]})", false, view).status,
            fast_status::type_error);
  EXPECT_FALSE(view.has_record || view.has.rdata);
  EXPECT_TRUE(view.rdata_values.empty());
  EXPECT_TRUE(view.record_text.empty());
}

std::string reference_string(const std::string& text) {
  json_t* array = json_array();
  json_array_append_new(array, json_stringn(text.data(), text.size()));
  const std::string reference = fast_check::compact_json(array);
  json_decref(array);
  return reference.substr(1, reference.size() - 2);
}

std::string fast_string(const std::string& text) {
  std::string fast;
  fast_json_string(fast, text);
  return fast;
}

// The string encoder against the library's: every ASCII character alone, and
// the characters near the edges of what must be escaped at every place of
// texts longer than the eight bytes the encoder looks at together.
TEST_F(fast_record_test, StringEscapesMatchTheReference) {
  for (int c = 1; c < 0x80; ++c) {
    const std::string text(1, static_cast<char>(c));
    EXPECT_EQ(fast_string(text), reference_string(text)) << "character " << c;
  }
  for (const char special : {'"', '\\', '\x01', '\x1f', ' ', '!', '#', '[', ']', '\x7f'}) {
    for (size_t length = 1; length <= 24; ++length) {
      for (size_t at = 0; at < length; ++at) {
        std::string text(length, 'a');
        text[at] = special;
        text += "\xc3\xa9";  // raw UTF-8 stays raw
        EXPECT_EQ(fast_string(text), reference_string(text)) << int(special) << " at " << at;
      }
    }
  }
}

}  // namespace
}  // namespace trawl
