#include <regex>
#include <string>
#include <vector>

#include "engine/writer_func.h"
#include "pdns_record_fixture.h"
#include "records/verbs.h"

namespace trawl {
namespace {

class data_blob_test : public pdns_record_test {
 protected:
  void SetUp() override {
    pdns_record_test::SetUp();
    opts_.presenter_selected = find_verb("lookup")->json;
    qry_.wr = &wr_;
    f_.qry = &qry_;
  }

  // Feeds one line as the transfer engine does: a view into the received
  // bytes, followed by whatever came after its newline.
  int feed(const std::string& line) {
    prepare(wr_);
    received_ = line + "\n{\"next\":";
    return data_blob(f_, std::string_view(received_).substr(0, line.size()));
  }

  std::string received_;

  query qry_;
  fetch f_;
};

struct stream_row {
  std::string line;
  int result;
  saf_cond cond;
  std::string out;
};

TEST_F(data_blob_test, FramedStreamPresentsOnlyRecords) {
  state_.psys = &system_trove2;
  const std::vector<stream_row> rows = {
      {R"({"cond":"begin"})", 0, saf_cond::begin, ""},
      {R"({"obj":{"rrname":"host.example.com.","rrtype":"A","rdata":["192.0.2.1"]}})", 1,
       saf_cond::begin,
       "{\"rrname\":\"host.example.com.\",\"rrtype\":\"A\",\"rdata\":[\"192.0.2.1\"]}\n"},
      {"{}", 0, saf_cond::begin, ""},
      {R"({"cond":"ongoing","obj":{"rrname":"host.example.com.","rrtype":"A","rdata":["192.0.2.2"]}})",
       1, saf_cond::ongoing,
       "{\"rrname\":\"host.example.com.\",\"rrtype\":\"A\",\"rdata\":[\"192.0.2.2\"]}\n"},
      {R"({"cond":"succeeded"})", 0, saf_cond::succeeded, ""},
  };
  for (const stream_row& row : rows) {
    testing::internal::CaptureStdout();
    int result = feed(row.line);
    fflush(stdout);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), row.out) << row.line;
    EXPECT_EQ(result, row.result) << row.line;
    EXPECT_EQ(f_.cond, row.cond) << row.line;
  }
}

TEST_F(data_blob_test, PlainStreamPresentsFramingLinesAsRecords) {
  const std::vector<std::string> lines = {
      R"({"cond":"begin"})",
      R"({"obj":{"rrtype":"A"}})",
      "{}",
      R"({"cond":"succeeded"})",
  };
  for (const std::string& line : lines) {
    testing::internal::CaptureStdout();
    EXPECT_EQ(feed(line), 1) << line;
    fflush(stdout);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), line + "\n");
    EXPECT_EQ(f_.cond, saf_cond::none);
  }
}

TEST_F(data_blob_test, EndingConditionHidesTheLinesRecord) {
  state_.psys = &system_trove2;
  const std::vector<std::pair<std::string, saf_cond>> rows = {{"succeeded", saf_cond::succeeded},
                                                              {"limited", saf_cond::limited},
                                                              {"failed", saf_cond::failed},
                                                              {"begin", saf_cond::begin}};
  for (const auto& [cond, code] : rows) {
    testing::internal::CaptureStdout();
    EXPECT_EQ(feed(R"({"cond":")" + cond + R"(","obj":{"rrtype":"A"}})"), 0) << cond;
    fflush(stdout);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "") << cond;
    EXPECT_EQ(f_.cond, code) << cond;
  }
}

TEST_F(data_blob_test, LastMessageIsKept) {
  state_.psys = &system_trove2;
  EXPECT_EQ(feed(R"({"cond":"limited","msg":"first"})"), 0);
  EXPECT_EQ(f_.cond, saf_cond::limited);
  EXPECT_EQ(f_.saf_msg, "first");
  EXPECT_EQ(feed(R"({"msg":"second"})"), 0);
  EXPECT_EQ(f_.saf_msg, "second");
  EXPECT_EQ(f_.cond, saf_cond::limited);
}

TEST_F(data_blob_test, UnknownConditionIsReportedAndItsRecordShown) {
  state_.psys = &system_trove2;
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  EXPECT_EQ(feed(R"({"cond":"Ongoing","obj":{"rrtype":"A"}})"), 1);
  std::string err = testing::internal::GetCapturedStderr();
  fflush(stdout);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "{\"rrtype\":\"A\"}\n");
  EXPECT_EQ(f_.cond, saf_cond::missing);
  EXPECT_TRUE(std::regex_match(
      err, std::regex(R"(trawl \[[-0-9 :.]+\]: Unknown value for "cond": Ongoing\n)")))
      << err;
}

TEST_F(data_blob_test, BadLinesAreReportedAndTheStreamGoesOn) {
  struct row {
    std::string line;
    int result;
    std::string report;  // after the log prefix; empty for none
  };
  const std::vector<row> rows = {
      {"not json", 0, "warning: json_loadb: 1:3: '[' or '{' expected near 'not' <buffer>"},
      {R"({"count":5.0})", 0, "count must be an integer"},
      {R"({"count":5})", 1, ""},
  };
  const std::regex prefixed(R"(trawl \[[-0-9 :.]+\]: (.*)\n)");
  for (const row& r : rows) {
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    EXPECT_EQ(feed(r.line), r.result) << r.line;
    std::string err = testing::internal::GetCapturedStderr();
    testing::internal::GetCapturedStdout();
    if (r.report.empty()) {
      EXPECT_EQ(err, "") << r.line;
      continue;
    }
    std::smatch match;
    ASSERT_TRUE(std::regex_match(err, match, prefixed)) << err;
    EXPECT_EQ(match[1], r.report);
  }
}

}  // namespace
}  // namespace trawl
