#include <gtest/gtest.h>

#include "core/qparam.h"
#include "program/batch.h"

namespace trawl {
namespace {

struct batch_row {
  const char* line;
  const char* error = nullptr;
  search_mode mode = search_mode::none;
  const char* thing = nullptr;
  const char* rrtype = nullptr;
  const char* bailiwick = nullptr;
};

std::string text_or_null(const std::optional<std::string>& s) {
  return s ? *s : "(none)";
}

TEST(BatchParse, GrammarAndErrorsInTheirOrder) {
  const batch_row rows[] = {
      {"", "too few terms"},
      {"///", "too few terms"},
      {"RRSET/name/x", "unrecognized initial term"},
      {" #comment", "unrecognized initial term"},
      {"rrset", "missing term after 'rrset/'"},
      {"rrset/", "missing term after 'rrset/'"},
      {"rrset/nam/x", "unrecognized term after 'rrset/'"},
      {"rrset/name", "missing term after 'rrset/name/'"},
      {"rrset/raw/", "missing term after 'rrset/raw/'"},
      {"rdata", "missing term after 'rdata/'"},
      {"rdata/ipv4/1.2.3.4", "unrecognized term after 'rdata/'"},
      {"rdata/name", "missing term after 'rdata/name/'"},
      {"rdata/raw", "missing term after 'rdata/raw/'"},
      {"rdata/ip", "missing term after 'rdata/ip/'"},
      {"rdata/ip/10.0.0.0/8", "extra garbage"},
      {"rdata/name/x/A/zone", "extra garbage"},
      {"rrset/name/x/A/zone/more", "extra garbage"},
      {"rrset/raw/0378797a00/A/zone", "extra garbage"},
      {"rrset/name/caf\xe9/A/zone/more", "search argument is not 7-bit clean"},
      {"rrset/name/a\xe2\x80\x8d"
       "b.example/A/zone/more",
       // The message shows the invisible joiner as its bytes.
       "search argument is not a valid international name: 'a\\226\\128\\141b.example' "
       "(string contains a forbidden context-j character)"},
      {"rrset/name/x/A/a\xe2\x80\x8d"
       "b.example",
       "bailiwick is not a valid international name: 'a\\226\\128\\141b.example' "
       "(string contains a forbidden context-j character)"},
      {"rrset/name/b\xc3\xbc"
       "cher.example/A/m\xc3\xbc"
       "nchen.example",
       nullptr, search_mode::rrset_name, "xn--bcher-kva.example", "A", "xn--mnchen-3ya.example"},
      {"rdata/name/caf\xc3\xa9", nullptr, search_mode::rdata_name, "xn--caf-dma"},
      {"rrset/name/_sip.xn--a.example", nullptr, search_mode::rrset_name, "_sip.xn--a.example"},
      {"rdata/raw/\xc3\xa9", nullptr, search_mode::rdata_raw, "\xc3\xa9"},
      {"rrset/name/x", nullptr, search_mode::rrset_name, "x"},
      {"rrset/name//x", nullptr, search_mode::rrset_name, "x"},
      {"rrset/name/x//A", nullptr, search_mode::rrset_name, "x", "A"},
      {"rrset/name/x/A,NS/zone", nullptr, search_mode::rrset_name, "x", "A,NS", "zone"},
      {"rrset/raw/0378797a00/A", nullptr, search_mode::rrset_raw, "0378797a00", "A"},
      {"rdata/name/x/MX", nullptr, search_mode::rdata_name, "x", "MX"},
      {"rdata/ip/10.0.0.0,8", nullptr, search_mode::rdata_ip, "10.0.0.0,8"},
      {"rdata/name/x\r", nullptr, search_mode::rdata_name, "x\r"},
      // Addresses are checked as soon as they are read, as names are.
      {"rdata/ip/192.0.2.1\r", "bad -i value: '192.0.2.1\\013' is not an IPv4 or IPv6 address"},
      {"rdata/ip/300.1.2.3/8", "bad -i value: '300.1.2.3' is not an IPv4 or IPv6 address"},
      {"rdata/ip/10.0.0.0,40",
       "bad -i value: prefix length '40' is more than 32 for IPv4 address '10.0.0.0'"},
      {"rdata/ip/2001:db8::,48", nullptr, search_mode::rdata_ip, "2001:db8::,48"},
  };
  for (const batch_row& row : rows) {
    qdesc qd;
    const std::optional<std::string> err = batch_parse(row.line, false, qd);
    if (row.error != nullptr) {
      EXPECT_EQ(err, row.error) << row.line;
      continue;
    }
    ASSERT_FALSE(err) << row.line << ": " << *err;
    EXPECT_TRUE(qd.mode == row.mode) << row.line;
    EXPECT_EQ(text_or_null(qd.thing), row.thing) << row.line;
    EXPECT_EQ(text_or_null(qd.rrtype), row.rrtype ? row.rrtype : "(none)") << row.line;
    EXPECT_EQ(text_or_null(qd.bailiwick), row.bailiwick ? row.bailiwick : "(none)") << row.line;
    EXPECT_FALSE(qd.pfxlen) << row.line;
  }
}

TEST(BatchParse, EightBitNamesPassWhenAllowed) {
  qdesc qd;
  EXPECT_FALSE(batch_parse("rrset/name/caf\xc3\xa9/A/b\xc3\xbc", true, qd));
  EXPECT_EQ(qd.thing, "caf\xc3\xa9");  // sent as typed: no conversion
  EXPECT_EQ(qd.bailiwick, "b\xc3\xbc");
  EXPECT_FALSE(batch_parse("rdata/name/caf\xe9", true, qd));
  EXPECT_EQ(batch_parse("rdata/name/caf\xe9", false, qd), "search argument is not 7-bit clean");
}

}  // namespace
}  // namespace trawl
