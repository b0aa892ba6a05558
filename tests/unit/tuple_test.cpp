#include <optional>
#include <regex>
#include <string>
#include <vector>

#include "pdns_record_fixture.h"

namespace trawl {
namespace {

class tuple_test : public pdns_record_test {};

// What tuple_make makes of a line.
enum class outcome { ok, rejected, not_json };

struct decode_row {
  std::string line;
  bool framed;
  outcome result;
  std::string message;  // for rejected lines
};

TEST_F(tuple_test, KeysAreCheckedInTheirOrder) {
  const std::vector<decode_row> rows = {
      {"{}", false, outcome::ok, ""},
      {"[1,\"a\",{\"count\":\"x\"}]", false, outcome::ok, ""},
      {R"({"count":5.0})", false, outcome::rejected, "count must be an integer"},
      {R"({"count":"5"})", false, outcome::rejected, "count must be an integer"},
      {R"({"bailiwick":null})", false, outcome::rejected, "bailiwick must be a string"},
      {R"({"rdata":5})", false, outcome::rejected, "rdata must be a string or array"},
      {R"({"rdata":null})", false, outcome::rejected, "rdata must be a string or array"},
      {R"({"rdata":{}})", false, outcome::rejected, "rdata must be a string or array"},
      {R"({"rdata":[]})", false, outcome::ok, ""},
      {R"({"rdata":["a",7]})", false, outcome::ok, ""},
      {R"({"time_first":"x","zone_time_first":"y"})", false, outcome::rejected,
       "zone_time_first must be an integer"},
      {R"({"time_first":1,"zone_time_last":1.5})", false, outcome::rejected,
       "zone_time_last must be an integer"},
      {R"({"time_last":"x","time_first":"y"})", false, outcome::rejected,
       "time_first must be an integer"},
      {R"({"count":1,"time_last":null})", false, outcome::rejected, "time_last must be an integer"},
      {R"({"bailiwick":1,"count":1.0})", false, outcome::rejected, "count must be an integer"},
      {R"({"num_results":"x","bailiwick":1})", false, outcome::rejected,
       "bailiwick must be a string"},
      {R"({"rrname":1,"num_results":"x"})", false, outcome::rejected,
       "num_results must be an integer"},
      {R"({"rrtype":1,"rrname":1})", false, outcome::rejected, "rrname must be a string"},
      {R"({"rdata":1,"rrtype":1})", false, outcome::rejected, "rrtype must be a string"},
      // Saved output whose times were turned into text.
      {R"({"time_first":"2020-09-13 12:26:40","time_last":"2020-09-13 13:26:40",)"
       R"("zone_time_first":"2010-01-01 00:00:00"})",
       false, outcome::rejected, "zone_time_first must be an integer"},
      // Plain streams never look at the framing keys.
      {R"({"cond":5,"msg":[],"obj":"x"})", false, outcome::ok, ""},
      {"{}", true, outcome::ok, ""},
      {R"({"cond":"begin"})", true, outcome::ok, ""},
      {R"({"cond":5})", true, outcome::rejected, "cond must be a string"},
      {R"({"obj":5,"msg":5,"cond":5})", true, outcome::rejected, "cond must be a string"},
      {R"({"obj":5,"msg":5})", true, outcome::rejected, "msg must be a string"},
      {R"({"obj":[]})", true, outcome::rejected, "obj must be an object"},
      {R"({"obj":{"count":"5"}})", true, outcome::rejected, "count must be an integer"},
      // Outside obj the record keys of a framed line mean nothing.
      {R"({"count":"5","obj":{}})", true, outcome::ok, ""},
      {"5", false, outcome::not_json, ""},
      {"\"text\"", true, outcome::not_json, ""},
      {"{\"count\":", false, outcome::not_json, ""},
  };
  for (const decode_row& row : rows) {
    pdns_tuple tup;
    std::optional<tuple_error> error = tuple_make(tup, row.line, opts_.transforms, row.framed);
    const outcome result =
        !error ? outcome::ok : (error->not_json ? outcome::not_json : outcome::rejected);
    EXPECT_EQ(result, row.result) << row.line;
    if (row.result == outcome::rejected && error) {
      EXPECT_EQ(error->text, row.message) << row.line;
    }
    if (error) {
      EXPECT_FALSE(tup.line_json) << row.line;
      EXPECT_FALSE(tup.rrname) << row.line;
    }
    tuple_unmake(tup);
  }
}

TEST_F(tuple_test, NonJsonLineIsReportedWithTheParserPosition) {
  struct row {
    std::string line;
    std::string report;
  };
  const std::vector<row> rows = {
      {"5", "1:1: '[' or '{' expected near '5' <buffer>"},
      {"{\"a\":", "1:5: unexpected token near end of file <buffer>"},
  };
  for (const row& r : rows) {
    pdns_tuple tup;
    testing::internal::CaptureStderr();
    std::optional<tuple_error> error = tuple_make(tup, r.line, opts_.transforms, false);
    // The report is the caller's to write.
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "") << r.line;
    ASSERT_TRUE(error) << r.line;
    EXPECT_TRUE(error->not_json) << r.line;
    EXPECT_EQ(error->text, r.report);
  }
}

TEST_F(tuple_test, RecordValuesAreDecoded) {
  pdns_tuple tup;
  ASSERT_FALSE(tuple_make(tup,
                          R"({"time_first":0,"time_last":1600003600,"zone_time_first":1262304000,)"
                          R"("zone_time_last":1609459200,"count":5,"num_results":7,)"
                          R"("bailiwick":"example.com.","rrname":"host.example.com.",)"
                          R"("rrtype":"TXT","rdata":"v=spf1 -all","extra":true})",
                          opts_.transforms, false));
  EXPECT_EQ(tup.record_json, tup.line_json.get());
  EXPECT_NE(tup.node.time_first, nullptr);  // 0 is a time that is present
  EXPECT_EQ(tup.time_first, 0u);
  EXPECT_EQ(tup.time_last, 1600003600u);
  EXPECT_EQ(tup.zone_time_first, 1262304000u);
  EXPECT_EQ(tup.zone_time_last, 1609459200u);
  EXPECT_EQ(tup.count, 5);
  EXPECT_EQ(tup.num_results, 7);
  EXPECT_STREQ(tup.bailiwick, "example.com.");
  EXPECT_STREQ(tup.rrtype, "TXT");
  EXPECT_STREQ(tup.rdata, "v=spf1 -all");
  EXPECT_STREQ(tup.rrname, "host.example.com.");
  EXPECT_EQ(tup.cond, nullptr);
  tuple_unmake(tup);
  EXPECT_FALSE(tup.line_json);
  EXPECT_FALSE(tup.rrname);
}

TEST_F(tuple_test, AbsentKeysHaveNoNode) {
  pdns_tuple tup;
  ASSERT_FALSE(tuple_make(tup, R"({"rdata":["192.0.2.1"]})", opts_.transforms, false));
  EXPECT_EQ(tup.node.time_first, nullptr);
  EXPECT_EQ(tup.node.count, nullptr);
  EXPECT_EQ(tup.node.rrname, nullptr);
  EXPECT_FALSE(tup.rrname);
  EXPECT_NE(tup.node.rdata, nullptr);
  EXPECT_EQ(tup.rdata, nullptr);  // an array has no single text
  tuple_unmake(tup);
}

TEST_F(tuple_test, FramedLineTakesTheRecordFromObj) {
  pdns_tuple tup;
  ASSERT_FALSE(tuple_make(tup, R"({"cond":"ongoing","msg":"hi","obj":{"rrtype":"A","count":2}})",
                          opts_.transforms, true));
  EXPECT_STREQ(tup.cond, "ongoing");
  EXPECT_STREQ(tup.msg, "hi");
  ASSERT_NE(tup.node.obj, nullptr);
  EXPECT_EQ(tup.record_json, tup.node.obj);
  EXPECT_STREQ(tup.rrtype, "A");
  EXPECT_EQ(tup.count, 2);
  tuple_unmake(tup);
}

TEST_F(tuple_test, FramedLineWithoutObjHasNoRecord) {
  pdns_tuple tup;
  ASSERT_FALSE(tuple_make(tup, R"({"cond":"begin","rrtype":"A"})", opts_.transforms, true));
  EXPECT_EQ(tup.record_json, nullptr);
  EXPECT_EQ(tup.node.rrtype, nullptr);
  EXPECT_EQ(tup.rrtype, nullptr);
  tuple_unmake(tup);
}

TEST_F(tuple_test, PlainLineIgnoresFramingKeys) {
  pdns_tuple tup;
  ASSERT_FALSE(tuple_make(tup, R"({"cond":"begin","obj":{"rrtype":"A"}})", opts_.transforms, false));
  EXPECT_EQ(tup.cond, nullptr);
  EXPECT_EQ(tup.node.obj, nullptr);
  EXPECT_EQ(tup.record_json, tup.line_json.get());
  EXPECT_EQ(tup.rrtype, nullptr);
  tuple_unmake(tup);
}

TEST_F(tuple_test, OwnerNameGetsTheTransforms) {
  struct row {
    transform_set transforms;
    std::string rrname;
  };
  const std::vector<row> rows = {
      {{}, "host.example.com."},
      {transform::chomp, "host.example.com"},
      {transform::reverse, ".com.example.host"},
      {transform::reverse | transform::chomp, "com.example.host"},
      {transform::datefix | transform::qdetail, "host.example.com."},
  };
  for (const row& r : rows) {
    opts_.transforms = r.transforms;
    pdns_tuple tup;
    ASSERT_FALSE(tuple_make(tup, R"({"rrname":"host.example.com."})", opts_.transforms, false));
    EXPECT_STREQ(tup.rrname, r.rrname.c_str()) << r.transforms.bits;
    tuple_unmake(tup);
  }
}

TEST_F(tuple_test, DebugLevelFourShowsTheLineAndItsParse) {
  opts_.debug_level = 4;
  pdns_tuple tup;
  testing::internal::CaptureStderr();
  ASSERT_FALSE(tuple_make(tup, R"({"a":1})", opts_.transforms, false));
  std::string err = testing::internal::GetCapturedStderr();
  const std::regex expected(R"(debug \[[-0-9 :.]+\]: \[7\] '\{"a":1\}'\n)"
                            R"(trawl \[[-0-9 :.]+\]: \{\n  "a": 1\n\}\n)");
  EXPECT_TRUE(std::regex_match(err, expected)) << err;
  tuple_unmake(tup);
}

}  // namespace
}  // namespace trawl
