#include <regex>
#include <string>
#include <vector>

#include "pdns_record_fixture.h"

namespace trawl {
namespace {

class tuple_test : public pdns_record_test {};

struct decode_row {
  std::string line;
  bool framed;
  tuple_outcome outcome;
  std::string message;  // for rejected lines
};

TEST_F(tuple_test, KeysAreCheckedInTheirOrder) {
  const std::vector<decode_row> rows = {
      {"{}", false, tuple_outcome::ok, ""},
      {"[1,\"a\",{\"count\":\"x\"}]", false, tuple_outcome::ok, ""},
      {R"({"count":5.0})", false, tuple_outcome::rejected, "count must be an integer"},
      {R"({"count":"5"})", false, tuple_outcome::rejected, "count must be an integer"},
      {R"({"bailiwick":null})", false, tuple_outcome::rejected, "bailiwick must be a string"},
      {R"({"rdata":5})", false, tuple_outcome::rejected, "rdata must be a string or array"},
      {R"({"rdata":null})", false, tuple_outcome::rejected, "rdata must be a string or array"},
      {R"({"rdata":{}})", false, tuple_outcome::rejected, "rdata must be a string or array"},
      {R"({"rdata":[]})", false, tuple_outcome::ok, ""},
      {R"({"rdata":["a",7]})", false, tuple_outcome::ok, ""},
      {R"({"time_first":"x","zone_time_first":"y"})", false, tuple_outcome::rejected,
       "zone_time_first must be an integer"},
      {R"({"time_first":1,"zone_time_last":1.5})", false, tuple_outcome::rejected,
       "zone_time_last must be an integer"},
      {R"({"time_last":"x","time_first":"y"})", false, tuple_outcome::rejected,
       "time_first must be an integer"},
      {R"({"count":1,"time_last":null})", false, tuple_outcome::rejected,
       "time_last must be an integer"},
      {R"({"bailiwick":1,"count":1.0})", false, tuple_outcome::rejected,
       "count must be an integer"},
      {R"({"num_results":"x","bailiwick":1})", false, tuple_outcome::rejected,
       "bailiwick must be a string"},
      {R"({"rrname":1,"num_results":"x"})", false, tuple_outcome::rejected,
       "num_results must be an integer"},
      {R"({"rrtype":1,"rrname":1})", false, tuple_outcome::rejected, "rrname must be a string"},
      {R"({"rdata":1,"rrtype":1})", false, tuple_outcome::rejected, "rrtype must be a string"},
      // Saved output whose times were turned into text.
      {R"({"time_first":"2020-09-13 12:26:40","time_last":"2020-09-13 13:26:40",)"
       R"("zone_time_first":"2010-01-01 00:00:00"})",
       false, tuple_outcome::rejected, "zone_time_first must be an integer"},
      // Plain streams never look at the framing keys.
      {R"({"cond":5,"msg":[],"obj":"x"})", false, tuple_outcome::ok, ""},
      {"{}", true, tuple_outcome::ok, ""},
      {R"({"cond":"begin"})", true, tuple_outcome::ok, ""},
      {R"({"cond":5})", true, tuple_outcome::rejected, "cond must be a string"},
      {R"({"obj":5,"msg":5,"cond":5})", true, tuple_outcome::rejected, "cond must be a string"},
      {R"({"obj":5,"msg":5})", true, tuple_outcome::rejected, "msg must be a string"},
      {R"({"obj":[]})", true, tuple_outcome::rejected, "obj must be an object"},
      {R"({"obj":{"count":"5"}})", true, tuple_outcome::rejected, "count must be an integer"},
      // Outside obj the record keys of a framed line mean nothing.
      {R"({"count":"5","obj":{}})", true, tuple_outcome::ok, ""},
      {"5", false, tuple_outcome::reported, ""},
      {"\"text\"", true, tuple_outcome::reported, ""},
      {"{\"count\":", false, tuple_outcome::reported, ""},
  };
  for (const decode_row& row : rows) {
    psys = row.framed ? &system_trove2 : &system_trove1;
    pdns_tuple tup;
    const char* message = nullptr;
    testing::internal::CaptureStderr();
    tuple_outcome outcome = tuple_make(tup, row.line, &message);
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(outcome, row.outcome) << row.line;
    if (row.outcome == tuple_outcome::rejected) {
      EXPECT_STREQ(message, row.message.c_str()) << row.line;
    }
    if (outcome != tuple_outcome::ok) {
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
      {"5", "warning: json_loadb: 1:1: '[' or '{' expected near '5' <buffer>"},
      {"{\"a\":", "warning: json_loadb: 1:5: unexpected token near end of file <buffer>"},
  };
  const std::regex stamp(R"(trawl \[\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3}\]: (.*)\n)");
  for (const row& r : rows) {
    pdns_tuple tup;
    const char* message = nullptr;
    testing::internal::CaptureStderr();
    EXPECT_EQ(tuple_make(tup, r.line, &message), tuple_outcome::reported);
    std::string err = testing::internal::GetCapturedStderr();
    std::smatch match;
    ASSERT_TRUE(std::regex_match(err, match, stamp)) << err;
    EXPECT_EQ(match[1], r.report);
  }
}

TEST_F(tuple_test, RecordValuesAreDecoded) {
  pdns_tuple tup;
  const char* message = nullptr;
  ASSERT_EQ(tuple_make(tup,
                       R"({"time_first":0,"time_last":1600003600,"zone_time_first":1262304000,)"
                       R"("zone_time_last":1609459200,"count":5,"num_results":7,)"
                       R"("bailiwick":"example.com.","rrname":"host.example.com.",)"
                       R"("rrtype":"TXT","rdata":"v=spf1 -all","extra":true})",
                       &message),
            tuple_outcome::ok);
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
  EXPECT_EQ(tup.rrname, "host.example.com.");
  EXPECT_EQ(tup.cond, nullptr);
  tuple_unmake(tup);
  EXPECT_FALSE(tup.line_json);
  EXPECT_FALSE(tup.rrname);
}

TEST_F(tuple_test, AbsentKeysHaveNoNode) {
  pdns_tuple tup;
  const char* message = nullptr;
  ASSERT_EQ(tuple_make(tup, R"({"rdata":["192.0.2.1"]})", &message), tuple_outcome::ok);
  EXPECT_EQ(tup.node.time_first, nullptr);
  EXPECT_EQ(tup.node.count, nullptr);
  EXPECT_EQ(tup.node.rrname, nullptr);
  EXPECT_FALSE(tup.rrname);
  EXPECT_NE(tup.node.rdata, nullptr);
  EXPECT_EQ(tup.rdata, nullptr);  // an array has no single text
  tuple_unmake(tup);
}

TEST_F(tuple_test, FramedLineTakesTheRecordFromObj) {
  psys = &system_trove2;
  pdns_tuple tup;
  const char* message = nullptr;
  ASSERT_EQ(
      tuple_make(tup, R"({"cond":"ongoing","msg":"hi","obj":{"rrtype":"A","count":2}})", &message),
      tuple_outcome::ok);
  EXPECT_STREQ(tup.cond, "ongoing");
  EXPECT_STREQ(tup.msg, "hi");
  ASSERT_NE(tup.node.obj, nullptr);
  EXPECT_EQ(tup.record_json, tup.node.obj);
  EXPECT_STREQ(tup.rrtype, "A");
  EXPECT_EQ(tup.count, 2);
  tuple_unmake(tup);
}

TEST_F(tuple_test, FramedLineWithoutObjHasNoRecord) {
  psys = &system_trove2;
  pdns_tuple tup;
  const char* message = nullptr;
  ASSERT_EQ(tuple_make(tup, R"({"cond":"begin","rrtype":"A"})", &message), tuple_outcome::ok);
  EXPECT_EQ(tup.record_json, nullptr);
  EXPECT_EQ(tup.node.rrtype, nullptr);
  EXPECT_EQ(tup.rrtype, nullptr);
  tuple_unmake(tup);
}

TEST_F(tuple_test, PlainLineIgnoresFramingKeys) {
  pdns_tuple tup;
  const char* message = nullptr;
  ASSERT_EQ(tuple_make(tup, R"({"cond":"begin","obj":{"rrtype":"A"}})", &message),
            tuple_outcome::ok);
  EXPECT_EQ(tup.cond, nullptr);
  EXPECT_EQ(tup.node.obj, nullptr);
  EXPECT_EQ(tup.record_json, tup.line_json.get());
  EXPECT_EQ(tup.rrtype, nullptr);
  tuple_unmake(tup);
}

TEST_F(tuple_test, OwnerNameGetsTheTransforms) {
  struct row {
    unsigned transforms;
    std::string rrname;
  };
  const std::vector<row> rows = {
      {0, "host.example.com."},
      {transform_chomp, "host.example.com"},
      {transform_reverse, ".com.example.host"},
      {transform_reverse | transform_chomp, "com.example.host"},
      {transform_datefix | transform_qdetail, "host.example.com."},
  };
  for (const row& r : rows) {
    transforms = r.transforms;
    pdns_tuple tup;
    const char* message = nullptr;
    ASSERT_EQ(tuple_make(tup, R"({"rrname":"host.example.com."})", &message), tuple_outcome::ok);
    EXPECT_EQ(tup.rrname, r.rrname) << r.transforms;
    tuple_unmake(tup);
  }
}

TEST_F(tuple_test, DebugLevelFourShowsTheLineAndItsParse) {
  debug_level = 4;
  pdns_tuple tup;
  const char* message = nullptr;
  testing::internal::CaptureStderr();
  ASSERT_EQ(tuple_make(tup, R"({"a":1})", &message), tuple_outcome::ok);
  std::string err = testing::internal::GetCapturedStderr();
  const std::regex expected(R"(debug \[[-0-9 :.]+\]: \[7\] '\{"a":1\}'\n)"
                            R"(trawl \[[-0-9 :.]+\]: \{\n  "a": 1\n\}\n)");
  EXPECT_TRUE(std::regex_match(err, expected)) << err;
  tuple_unmake(tup);
}

}  // namespace
}  // namespace trawl
