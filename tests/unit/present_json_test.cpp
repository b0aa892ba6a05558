#include <regex>
#include <string>
#include <vector>

#include "pdns_record_fixture.h"

namespace trawl {
namespace {

class present_json_test : public pdns_record_test {
 protected:
  query owner_query() {
    query q;
    q.wr = &wr_;
    q.detail.mode = search_mode::rrset_name;
    q.detail.descr = "rrset/name/host.example.com";
    return q;
  }
};

constexpr std::string_view one_address =
    R"({"count":5,"time_first":1600000000,"time_last":1600003600,"rrname":"host.example.com.",)"
    R"("rrtype":"A","bailiwick":"example.com.","rdata":["192.0.2.1"]})";

std::string line_of(std::string_view json) {
  return std::string(json) + "\n";
}

TEST_F(present_json_test, RecordWithoutTransformsIsWrittenBack) {
  query q = owner_query();
  EXPECT_EQ(render(present_json_lookup, one_address, &q), line_of(one_address));
}

TEST_F(present_json_test, OutputIsCompactUtf8InReceivedKeyOrder) {
  EXPECT_EQ(render(present_json_lookup,
                   "{ \"z\" : 1, \"rrname\" : \"caf\\u00e9.example\\/x.\", \"a\" : [ 1 , 2 ] }"),
            "{\"z\":1,\"rrname\":\"caf\xc3\xa9.example/x.\",\"a\":[1,2]}\n");
}

TEST_F(present_json_test, ArrayLineIsWrittenBack) {
  EXPECT_EQ(render(present_json_lookup, "[1, \"a\"]"), "[1,\"a\"]\n");
}

TEST_F(present_json_test, DatefixChompAndQueryDetail) {
  opts_.transforms = transform::datefix | transform::chomp | transform::qdetail;
  query q = owner_query();
  EXPECT_EQ(render(present_json_lookup, one_address, &q),
            R"({"count":5,"time_first":"2020-09-13 12:26:40","time_last":"2020-09-13 13:26:40",)"
            R"("rrname":"host.example.com","rrtype":"A","bailiwick":"example.com.",)"
            R"("rdata":["192.0.2.1"],"_trawl":{"descr":"rrset/name/host.example.com",)"
            R"("gravel":false,"complete":false}})"
            "\n");
}

TEST_F(present_json_test, QueryDetailShowsParametersInForce) {
  opts_.transforms = transform::qdetail;
  opts_.iso_time = true;
  query q = owner_query();
  q.detail.qp.after = 1600000000;
  q.detail.qp.before = 1609459200;
  q.detail.qp.query_limit = 10;
  q.detail.qp.offset = 3;
  q.detail.qp.gravel = true;
  q.detail.qp.complete = true;
  EXPECT_EQ(render(present_json_lookup, R"({"count":1})", &q),
            R"({"count":1,"_trawl":{"descr":"rrset/name/host.example.com",)"
            R"("after":"2020-09-13T12:26:40Z","before":"2021-01-01T00:00:00Z","limit":10,)"
            R"("offset":3,"gravel":true,"complete":true}})"
            "\n");
}

TEST_F(present_json_test, QueryDetailWithoutDescription) {
  opts_.transforms = transform::qdetail;
  query q;
  q.wr = &wr_;
  EXPECT_EQ(render(present_json_summarize, R"({"count":1,"num_results":2})", &q),
            R"({"count":1,"num_results":2,"_trawl":{"gravel":false,"complete":false}})"
            "\n");
}

TEST_F(present_json_test, ExistingDetailIsReplacedInPlace) {
  const std::string saved = R"({"count":1,"_trawl":{"descr":"old"},"rrtype":"A"})";
  EXPECT_EQ(render(present_json_lookup, saved), saved + "\n");
  opts_.transforms = transform::qdetail;
  query q = owner_query();
  EXPECT_EQ(render(present_json_lookup, saved, &q),
            R"({"count":1,"_trawl":{"descr":"rrset/name/host.example.com","gravel":false,)"
            R"("complete":false},"rrtype":"A"})"
            "\n");
}

TEST_F(present_json_test, DatefixEdgeCases) {
  opts_.transforms = transform::datefix;
  struct row {
    std::string line;
    std::string json;
  };
  const std::vector<row> rows = {
      {R"({"time_first":1600000000,"count":1})", R"({"time_first":1600000000,"count":1})"},
      {R"({"time_first":0,"time_last":1600003600})",
       R"({"time_first":"0","time_last":"2020-09-13 13:26:40"})"},
      {R"({"zone_time_last":1609459200,"zone_time_first":1262304000,"time_last":7})",
       R"({"zone_time_last":"2021-01-01 00:00:00","zone_time_first":"2010-01-01 00:00:00",)"
       R"("time_last":7})"},
  };
  for (const row& r : rows) {
    EXPECT_EQ(render(present_json_lookup, r.line), r.json + "\n") << r.line;
  }
}

TEST_F(present_json_test, IsoDatefix) {
  opts_.transforms = transform::datefix;
  opts_.iso_time = true;
  EXPECT_EQ(render(present_json_lookup, R"({"time_first":1600000000,"time_last":1600003600})"),
            R"({"time_first":"2020-09-13T12:26:40Z","time_last":"2020-09-13T13:26:40Z"})"
            "\n");
}

TEST_F(present_json_test, ReverseReplacesOnlyAnExistingOwner) {
  opts_.transforms = transform::reverse;
  EXPECT_EQ(render(present_json_lookup, R"({"rrtype":"A","rrname":"host.example.com."})"),
            R"({"rrtype":"A","rrname":".com.example.host"})"
            "\n");
  EXPECT_EQ(render(present_json_lookup, R"({"rrtype":"A"})"), R"({"rrtype":"A"})"
                                                              "\n");
}

// Only A records are ever annotated, so nothing is added here.
TEST_F(present_json_test, AnnotationLeavesUnannotatedRecordsAlone) {
  opts_.asinfo_lookup = true;
  const std::string line = R"({"rrtype":"AAAA","rdata":["2001:db8::1",5]})";
  EXPECT_EQ(render(present_json_lookup, line), line + "\n");
}

TEST_F(present_json_test, FramedRecordIsWrittenWithoutItsFrame) {
  state_.psys = &system_trove2;
  EXPECT_EQ(render(present_json_lookup, R"({"cond":"ongoing","obj":{"rrtype":"A"}})"),
            R"({"rrtype":"A"})"
            "\n");
}

TEST_F(present_json_test, PrettyPrintIndentsByTwo) {
  const std::string text = R"({"a":{"b":[1]},"c":"d"})";
  testing::internal::CaptureStdout();
  EXPECT_TRUE(pprint_json(text, sink_));
  sink_.flush();
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "{\n  \"a\": {\n    \"b\": [\n      1\n    ]\n  },\n  \"c\": \"d\"\n}\n");
}

TEST_F(present_json_test, PrettyPrintReportsUnparsableText) {
  const std::string text = R"({"a":)";
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  EXPECT_FALSE(pprint_json(text, sink_));
  std::string err = testing::internal::GetCapturedStderr();
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
  EXPECT_TRUE(std::regex_match(err, std::regex(R"(trawl \[[-0-9 :.]+\]: JSON parsing error 1:5: )"
                                               R"(unexpected token near end of file <buffer>\n)")))
      << err;
}

}  // namespace
}  // namespace trawl
