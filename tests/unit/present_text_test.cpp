#include <string>
#include <vector>

#include "pdns_record_fixture.h"

namespace trawl {
namespace {

class present_text_test : public pdns_record_test {};

TEST_F(present_text_test, LookupRecordShowsTimesCountAndOneLinePerValue) {
  EXPECT_EQ(render(present_text_lookup, sample_lookup),
            ";; record times: 2020-09-13 12:26:40 .. 2020-09-13 13:26:40 (1h 1s)\n"
            ";; count: 5; bailiwick: example.com.\n"
            "host.example.com.  A  192.0.2.1\n"
            "host.example.com.  A  192.0.2.2\n"
            "\n");
}

TEST_F(present_text_test, ZoneTimesFollowRecordTimes) {
  EXPECT_EQ(render(present_text_lookup,
                   R"({"count":5,"time_first":1600000000,"time_last":1600003600,)"
                   R"("zone_time_first":1262304000,"zone_time_last":1609459200,)"
                   R"("rrname":"host.example.com.","rrtype":"A","bailiwick":"example.com.",)"
                   R"("rdata":["192.0.2.1"]})"),
            ";; record times: 2020-09-13 12:26:40 .. 2020-09-13 13:26:40 (1h 1s)\n"
            ";;   zone times: 2010-01-01 00:00:00 .. 2021-01-01 00:00:00 (~11y ~3d)\n"
            ";; count: 5; bailiwick: example.com.\n"
            "host.example.com.  A  192.0.2.1\n"
            "\n");
}

TEST_F(present_text_test, LookupEdgeCases) {
  struct row {
    std::string line;
    std::string text;
  };
  const std::vector<row> rows = {
      {R"({"rrname":"a.","rrtype":"A","rdata":[]})", ""},
      {R"({"count":5,"rrname":"a.","rrtype":"A","rdata":[]})", ";; count: 5\n\n"},
      {R"({"bailiwick":"example.","rdata":[]})", ";; bailiwick: example.\n\n"},
      {R"({"rrname":"a.","rrtype":"TXT","rdata":"x y"})", "a.  TXT  x y\n\n"},
      {R"({"rrname":"a.","rrtype":"TXT","rdata":["x",7,"z"]})",
       "a.  TXT  x\na.  TXT  [bad value]\na.  TXT  z\n\n"},
      {R"({"time_first":5,"time_last":5,"zone_time_first":9,"zone_time_last":9,"rdata":[]})",
       ";; record times: 1970-01-01 00:00:05 .. 1970-01-01 00:00:05 (1s)\n"
       ";;   zone times: 1970-01-01 00:00:09 .. 1970-01-01 00:00:09 (0s)\n\n"},
      {R"({"time_first":0,"time_last":0,"rdata":[]})", ";; record times: 0 .. 0 (1s)\n\n"},
      // Times that end before they begin have no duration to show.
      {R"({"time_first":10,"time_last":9,"zone_time_first":9,"zone_time_last":8,"rdata":[]})",
       ";; record times: 1970-01-01 00:00:10 .. 1970-01-01 00:00:09 (?)\n"
       ";;   zone times: 1970-01-01 00:00:09 .. 1970-01-01 00:00:08 (?)\n\n"},
      {R"({"time_first":1600000000,"time_last":1,"rdata":[]})",
       ";; record times: 2020-09-13 12:26:40 .. 1970-01-01 00:00:01 (?)\n\n"},
      // Negative times print as times before the epoch, and compare so.
      {R"({"time_first":1600000000,"time_last":-1,"rdata":[]})",
       ";; record times: 2020-09-13 12:26:40 .. 1969-12-31 23:59:59 (?)\n\n"},
      {R"({"zone_time_first":-10,"zone_time_last":-5,"rdata":[]})",
       ";;   zone times: 1969-12-31 23:59:50 .. 1969-12-31 23:59:55 (5s)\n\n"},
      // A span of the whole range and its last second counts 2^64 seconds.
      {R"({"time_first":-9223372036854775808,"time_last":9223372036854775807,"rdata":[]})",
       ";; record times: -9223372036854775808 .. 9223372036854775807 (?)\n\n"},
      {R"({"time_first":1600000000,"rrname":"a.","rrtype":"A","rdata":"192.0.2.1"})",
       "a.  A  192.0.2.1\n\n"},
      // Saved JSON input may hold records without owner, type or data.
      {"{}", "    \n\n"},
      {R"({"rrtype":"A","rdata":"192.0.2.1"})", "  A  192.0.2.1\n\n"},
      {R"({"rrname":"a.","rrtype":"A"})", "a.  A  \n\n"},
  };
  for (const row& r : rows) EXPECT_EQ(render(present_text_lookup, r.line), r.text) << r.line;
}

TEST_F(present_text_test, OwnerNameTransformsShowInRecordLines) {
  opts_.transforms = transform::reverse | transform::chomp;
  EXPECT_EQ(render(present_text_lookup,
                   R"({"rrname":"host.example.com.","rrtype":"A","bailiwick":"example.com.",)"
                   R"("rdata":"192.0.2.1"})"),
            ";; bailiwick: example.com.\ncom.example.host  A  192.0.2.1\n\n");
}

TEST_F(present_text_test, IsoTimes) {
  opts_.iso_time = true;
  EXPECT_EQ(
      render(present_text_lookup, R"({"time_first":1600000000,"time_last":1600003600,"rdata":[]})"),
      ";; record times: 2020-09-13T12:26:40Z .. 2020-09-13T13:26:40Z (1h 1s)\n\n");
}

TEST_F(present_text_test, SummarizeRecord) {
  EXPECT_EQ(render(present_text_summarize, sample_summary),
            ";; record times: 2020-09-13 12:26:40 .. 2020-09-13 13:26:40\n"
            ";;   zone times: 2010-01-01 00:00:00 .. 2021-01-01 00:00:00\n"
            "\n"
            ";; count: 1234; num_results: 7\n");
}

TEST_F(present_text_test, SummarizeEdgeCases) {
  struct row {
    std::string line;
    std::string text;
  };
  const std::vector<row> rows = {
      {"{}", "\n"},
      {R"({"count":3})", ";; count: 3\n"},
      {R"({"num_results":7})", ";; num_results: 7\n"},
      {R"({"time_first":1600000000,"time_last":1600003600,"count":3})",
       ";; record times: 2020-09-13 12:26:40 .. 2020-09-13 13:26:40\n;; count: 3\n"},
      {R"({"zone_time_first":1262304000})", "\n"},
  };
  for (const row& r : rows) EXPECT_EQ(render(present_text_summarize, r.line), r.text) << r.line;
}

}  // namespace
}  // namespace trawl
