#include <optional>
#include <string>
#include <vector>

#include "pdns_record_fixture.h"
#include "sort/sort_line.h"
#include "sort/sortable.h"

namespace trawl {
namespace {

struct name_row {
  std::string prefix;  // already in the buffer
  std::string name;
  std::string expected;
};

TEST(sortable_dnsname_test, KeepsLettersAndDigitsLastLabelFirstInLowerCase) {
  const std::vector<name_row> rows = {
      {"", "Host-1.Zone.", "zonehost1"},
      {"", "a-b.c", "cab"},
      {"", "www.Example.COM", "comexamplewww"},
      {"", "_sip._tcp.Example.", "exampletcpsip"},
      {"", "a..b", "ba"},
      // An escaped dot does not end its label.
      {"", "a\\.b.c.", "cab"},
      {"", "a\\\\.b", "ba"},
      {"", "caf\xc3\xa9.fr.", "frcaf"},
      {"", ".", "."},
      {"", "", "."},
      {"", "-._.", "."},
      {"zone", "-", "zone"},
      {"zone", "Mail.", "zonemail"},
  };
  for (const name_row& row : rows) {
    std::string buf = row.prefix;
    sortable_dnsname(buf, row.name.c_str());
    EXPECT_EQ(buf, row.expected) << "'" << row.prefix << "' + '" << row.name << "'";
  }
}

class sortable_test : public pdns_record_test {
 protected:
  // The record must decode; a test of a broken record would not be about sorting.
  pdns_tuple decode(const std::string& line) {
    pdns_tuple tup;
    EXPECT_FALSE(tuple_make(tup, line, opts_.transforms, framed())) << line;
    return tup;
  }
};

struct rdata_row {
  std::string record;  // JSON object
  std::optional<std::string> expected;
};

TEST_F(sortable_test, RdataIsEncodedByRecordType) {
  const std::vector<rdata_row> rows = {
      {R"({"rrtype":"A","rdata":"192.0.2.1"})", "c0000201"},
      {R"({"rrtype":"A","rdata":["192.0.2.1","10.0.0.255"]})", "c00002010a0000ff"},
      {R"({"rrtype":"A","rdata":"not.an.address"})", "00000000"},
      {R"({"rrtype":"A","rdata":"2001:db8::1"})", "00000000"},
      {R"({"rrtype":"AAAA","rdata":"::1"})", std::string(31, '0') + "1"},
      {R"({"rrtype":"AAAA","rdata":"2001:DB8::ff"})", "20010db8" + std::string(22, '0') + "ff"},
      {R"({"rrtype":"AAAA","rdata":"192.0.2.1"})", std::string(32, '0')},
      {R"({"rrtype":"NS","rdata":["NS1.Example.","ns2.example."]})", "examplens1examplens2"},
      {R"({"rrtype":"PTR","rdata":"host-7.example."})", "examplehost7"},
      {R"({"rrtype":"CNAME","rdata":"a.b.c."})", "cba"},
      {R"({"rrtype":"DNAME","rdata":"."})", "."},
      {R"({"rrtype":"MX","rdata":"10 Relay-2.Zone."})", "zonerelay2"},
      {R"({"rrtype":"MX","rdata":"10   relay.zone."})", "zonerelay"},
      {R"({"rrtype":"RP","rdata":"admin.example. info.Example."})", "exampleinfo"},
      // Without a blank there is no name to pick: the text is hex like any other.
      {R"({"rrtype":"MX","rdata":"Relay"})", "52656c6179"},
      {R"({"rrtype":"TXT","rdata":"ab"})", "6162"},
      {R"({"rrtype":"TXT","rdata":["a b","\u00ff"]})", "612062c3bf"},
      // Type names are matched exactly.
      {R"({"rrtype":"a","rdata":"1.2.3.4"})", "312e322e332e34"},
      {R"({"rrtype":"Mx","rdata":"10 x."})", "313020782e"},
      {R"({"rrtype":"TXT","rdata":""})", ""},
      {R"({"rrtype":"TXT","rdata":[]})", ""},
      {R"({"rrtype":"A","rdata":[]})", ""},
      {R"({"rrtype":"A"})", std::nullopt},
      {R"({"rdata":"192.0.2.1"})", std::nullopt},
  };
  for (const rdata_row& row : rows) {
    pdns_tuple tup = decode(row.record);
    EXPECT_EQ(sortable_rdata(tup), row.expected) << row.record;
  }
}

TEST_F(sortable_test, RdataSlotsThatAreNotStringsAreLeftOutWithAWarning) {
  pdns_tuple tup = decode(R"({"rrtype":"TXT","rdata":["a",5,"b",null]})");
  testing::internal::CaptureStderr();
  const std::optional<std::string> rdata = sortable_rdata(tup);
  const std::string err = testing::internal::GetCapturedStderr();
  EXPECT_EQ(rdata, "6162");
  size_t warnings = 0;
  for (size_t at = err.find("warning: rdata slot is not a string\n"); at != std::string::npos;
       at = err.find("warning: rdata slot is not a string\n", at + 1)) {
    ++warnings;
  }
  EXPECT_EQ(warnings, 2u) << err;
}

TEST_F(sortable_test, RrnameUsesTheOwnerNameAsReceived) {
  opts_.transforms = transform::reverse | transform::chomp;
  pdns_tuple tup = decode(R"({"rrname":"Host-1.Zone.","rrtype":"A"})");
  ASSERT_STREQ(tup.rrname, "Zone.Host-1");
  EXPECT_EQ(sortable_rrname(tup), "zonehost1");
  EXPECT_EQ(sortable_rrname(decode(R"({"rrname":""})")), ".");
  EXPECT_EQ(sortable_rrname(decode(R"({"rrtype":"A"})")), std::nullopt);
}

struct split_row {
  std::string line;  // without its newline
  const char* warning;
  std::string record;
};

TEST(sort_line_split_test, FindsTheRecordAfterSevenSeparators) {
  const std::vector<split_row> rows = {
      {R"(1 2 1 5 zone A c0000201 {"rrname": "a b.", "x": 1})", nullptr,
       R"({"rrname": "a b.", "x": 1})"},
      {"10  20 10 0 n/a n/a n/a   {}", nullptr, "  {}"},
      {"1 2 3 4 5 6 7 ", nullptr, ""},
      {"", "no SP found in", ""},
      {"12345", "no SP found in", ""},
      {"1 2", "no second SP in", ""},
      {"1 2 ", "no third SP in", ""},
      {"1 2 3 4", "no fourth SP in", ""},
      {"1 2 3 4 5", "no fifth SP in", ""},
      {"1 2 3 4 5 6", "no sixth SP in", ""},
      {"1 2 3 4 5 6 7", "no seventh SP in", ""},
      {"1 2 3 4 5 6      ", "no seventh SP in", ""},
  };
  for (const split_row& row : rows) {
    std::string_view record = "untouched";
    const char* warning = sort_line_split(row.line, &record);
    if (row.warning == nullptr) {
      EXPECT_EQ(warning, nullptr) << "'" << row.line << "' gave " << warning;
      EXPECT_EQ(record, row.record) << "'" << row.line << "'";
    } else {
      EXPECT_STREQ(warning, row.warning) << "'" << row.line << "'";
    }
  }
}

}  // namespace
}  // namespace trawl
