#include <string>
#include <vector>

#include "pdns_record_fixture.h"

namespace trawl {
namespace {

class present_csv_test : public pdns_record_test {};

constexpr const char* lookup_header =
    "time_first,time_last,zone_first,zone_last,count,bailiwick,rrname,rrtype,rdata\n";

TEST_F(present_csv_test, FirstRecordOfWriterGetsTheHeader) {
  EXPECT_EQ(render(present_csv_lookup, sample_lookup),
            std::string(lookup_header) +
                R"("2020-09-13 12:26:40","2020-09-13 13:26:40",,,5,"example.com.",)"
                R"("host.example.com.","A","192.0.2.1")"
                "\n"
                R"("2020-09-13 12:26:40","2020-09-13 13:26:40",,,5,"example.com.",)"
                R"("host.example.com.","A","192.0.2.2")"
                "\n");
}

TEST_F(present_csv_test, HeaderIsWrittenOncePerWriter) {
  const std::string line = R"({"rrname":"a.","rrtype":"A","rdata":"192.0.2.1"})";
  const std::string record = ",,,,,,\"a.\",\"A\",\"192.0.2.1\"\n";
  EXPECT_EQ(render(present_csv_lookup, line), lookup_header + record);
  EXPECT_EQ(render(present_csv_lookup, line), record);
  writer other{state_.present, sink_};
  EXPECT_EQ(render(present_csv_lookup, line, nullptr, other), lookup_header + record);
  EXPECT_EQ(render(present_csv_lookup, line), record);
}

TEST_F(present_csv_test, DoubleQuotesInsideValuesAreDoubled) {
  wr_.present.csv_header_done = true;
  EXPECT_EQ(
      render(present_csv_lookup, R"({"bailiwick":"ex\"ample.","rrname":"a\"b.","rrtype":"TXT",)"
                                 R"("rdata":["\"v=spf1 -all\"","\"a\" \"b\""]})"),
      R"(,,,,,"ex""ample.","a""b.","TXT","""v=spf1 -all""")"
      "\n"
      R"(,,,,,"ex""ample.","a""b.","TXT","""a"" ""b""")"
      "\n");
}

TEST_F(present_csv_test, LookupEdgeCases) {
  struct row {
    std::string line;
    std::string csv;
  };
  const std::vector<row> rows = {
      {R"({"rrname":"a.","rrtype":"A","rdata":[]})", ""},
      {R"({"time_first":1600000000,"rrname":"a.","rrtype":"A","rdata":"192.0.2.1"})",
       "\"2020-09-13 12:26:40\",,,,,,\"a.\",\"A\",\"192.0.2.1\"\n"},
      {R"({"zone_time_first":0,"zone_time_last":1262304000,"count":0})",
       ",,\"0\",\"2010-01-01 00:00:00\",0,,,,\n"},
      {R"({"rrname":"a.","rrtype":"TXT","rdata":["x",7]})",
       ",,,,,,\"a.\",\"TXT\",\"x\"\n,,,,,,\"a.\",\"TXT\",\"[bad value]\"\n"},
      {"{}", ",,,,,,,,\n"},
  };
  wr_.present.csv_header_done = true;
  for (const row& r : rows) EXPECT_EQ(render(present_csv_lookup, r.line), r.csv) << r.line;
}

TEST_F(present_csv_test, OwnerNameIsTransformedButBailiwickIsNot) {
  opts_.transforms = transform::chomp;
  wr_.present.csv_header_done = true;
  EXPECT_EQ(render(present_csv_lookup,
                   R"({"bailiwick":"example.com.","rrname":"a.example.com.","rdata":"x"})"),
            ",,,,,\"example.com.\",\"a.example.com\",,\"x\"\n");
}

// A type other than A is never looked up, so these columns stay empty.
TEST_F(present_csv_test, AsColumnsNeedTypeAndData) {
  opts_.asinfo_lookup = true;
  EXPECT_EQ(
      render(present_csv_lookup, R"({"rrname":"a.","rrtype":"AAAA","rdata":["2001:db8::1"]})"),
      "time_first,time_last,zone_first,zone_last,count,bailiwick,rrname,rrtype,rdata,"
      "asnum,cidr\n"
      ",,,,,,\"a.\",\"AAAA\",\"2001:db8::1\",,\n");
  EXPECT_EQ(render(present_csv_lookup, R"({"rrname":"a.","rdata":"192.0.2.1"})"),
            ",,,,,,\"a.\",,\"192.0.2.1\"\n");
  EXPECT_EQ(render(present_csv_lookup, R"({"rrname":"a.","rrtype":"A"})"), ",,,,,,\"a.\",\"A\",\n");
}

TEST_F(present_csv_test, IsoTimes) {
  opts_.iso_time = true;
  wr_.present.csv_header_done = true;
  EXPECT_EQ(render(present_csv_lookup, R"({"time_first":1600000000,"time_last":1600003600})"),
            "\"2020-09-13T12:26:40Z\",\"2020-09-13T13:26:40Z\",,,,,,,\n");
}

TEST_F(present_csv_test, SummarizeWritesItsHeaderEveryTime) {
  const std::string expected =
      "time_first,time_last,zone_first,zone_last,count,num_results\n"
      R"("2020-09-13 12:26:40","2020-09-13 13:26:40","2010-01-01 00:00:00","2021-01-01 00:00:00",)"
      "1234,7\n";
  EXPECT_EQ(render(present_csv_summarize, sample_summary), expected);
  EXPECT_EQ(render(present_csv_summarize, sample_summary), expected);
  EXPECT_FALSE(wr_.present.csv_header_done);
}

TEST_F(present_csv_test, SummarizeLeavesAbsentFieldsEmpty) {
  EXPECT_EQ(render(present_csv_summarize, R"({"num_results":7})"),
            "time_first,time_last,zone_first,zone_last,count,num_results\n,,,,,7\n");
}

}  // namespace
}  // namespace trawl
