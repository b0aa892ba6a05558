#include "support/idn.h"

#include "records/unicode_names.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace trawl {
namespace {

struct to_ascii_row {
  std::string name;
  idn_error error;
  std::string expected;  // the name, or a part of the reason when refused
};

TEST(IdnTest, NameToAscii) {
  const std::vector<to_ascii_row> rows = {
      {"bücher.example", idn_error::none, "xn--bcher-kva.example"},
      {"München.example", idn_error::none, "xn--mnchen-3ya.example"},
      {"straße.de", idn_error::none, "xn--strae-oqa.de"},
      {"bücher.example.", idn_error::none, "xn--bcher-kva.example."},
      {"_dmarc.bücher.example", idn_error::none, "_dmarc.xn--bcher-kva.example"},
      {"*.bücher.example", idn_error::none, "*.xn--bcher-kva.example"},
      // ASCII labels of a converted name stay as typed.
      {"xn--a.Bücher.EXAMPLE", idn_error::none, "xn--a.xn--bcher-kva.EXAMPLE"},
      {"a\\.b.bücher", idn_error::none, "a\\.b.xn--bcher-kva"},
      {"bücher..example", idn_error::none, "xn--bcher-kva..example"},
      // A full-width dot is a label separator under the mapping.
      {"bücher\xe3\x80\x82"
       "example",
       idn_error::none, "xn--bcher-kva.example"},
      // ASCII names are never touched, however odd.
      {"xn--a", idn_error::none, "xn--a"},
      {"_sip._tcp.Example.COM.", idn_error::none, "_sip._tcp.Example.COM."},
      {"ab--c.*.", idn_error::none, "ab--c.*."},
      {"", idn_error::none, ""},
      {"a\xe2\x80\x8d"
       "b.example",
       idn_error::refused, "context-j"},
      {"ab--cü.example", idn_error::refused, "hyphen"},
      {"b\xc3", idn_error::not_utf8, ""},
      {"b\xc3\x28.example", idn_error::not_utf8, ""},
      {"\xc0\xaf.example", idn_error::not_utf8, ""},          // overlong '/'
      {"\xed\xa0\x80.example", idn_error::not_utf8, ""},      // a surrogate
      {"\xf4\x90\x80\x80.example", idn_error::not_utf8, ""},  // past U+10FFFF
      {"\xe9t\xe9.example", idn_error::not_utf8, ""},         // Latin-1
      {"b\\ücher.example", idn_error::escaped, ""},
      {std::string("b\0\xc3\xbc", 4), idn_error::refused, "NUL"},
  };
  for (const to_ascii_row& row : rows) {
    const idn_result got = name_to_ascii(row.name);
    EXPECT_EQ(got.error, row.error) << row.name;
    if (row.error == idn_error::none) {
      EXPECT_EQ(got.name, row.expected) << row.name;
      EXPECT_TRUE(got.reason.empty()) << row.name;
    } else if (row.error == idn_error::refused) {
      EXPECT_NE(got.reason.find(row.expected), std::string::npos) << row.name << ": " << got.reason;
    }
  }
}

TEST(IdnTest, RefusalCarriesTheLibrarysText) {
  const idn_result got = name_to_ascii(
      "a\xe2\x80\x8d"
      "b.example");
  ASSERT_EQ(got.error, idn_error::refused);
  EXPECT_EQ(got.reason, "string contains a forbidden context-j character");
  EXPECT_TRUE(got.name.empty());
}

TEST(IdnTest, NameToUnicode) {
  const std::vector<std::pair<std::string, std::string>> rows = {
      {"xn--bcher-kva.example", "bücher.example"},
      {"xn--bcher-kva.example.", "bücher.example."},
      {"XN--MNCHEN-3YA.example", "münchen.example"},
      {"_dmarc.xn--strae-oqa.de.", "_dmarc.straße.de."},
      {"www.example.com.", "www.example.com."},
      {"", ""},
      {".", "."},
      // Not convertible: the whole name comes back as it was.
      {"xn--a.xn--bcher-kva.example", "xn--a.xn--bcher-kva.example"},
      {"xn--zz.example", "xn--zz.example"},
      {"xn--ls8h.example", "xn--ls8h.example"},  // decodes, but IDNA 2008 forbids it
      {"xn--.example", "xn--.example"},
      {"xn--bcher\\.kva.example", "xn--bcher\\.kva.example"},
  };
  for (const auto& [name, expected] : rows) EXPECT_EQ(name_to_unicode(name), expected) << name;
}

TEST(IdnTest, RoundTrip) {
  for (const char* name : {"bücher.example", "straße.de.", "пример.испытание", "例え.テスト",
                           "_srv.münchen.example."}) {
    const idn_result ascii = name_to_ascii(name);
    ASSERT_TRUE(ascii.ok()) << name << ": " << ascii.reason;
    EXPECT_TRUE(is_ascii(ascii.name)) << ascii.name;
    EXPECT_EQ(name_to_unicode(ascii.name), name) << ascii.name;
  }
}

// -T unicode: the name inside a record's data, where the type has one.
TEST(IdnTest, UnicodeRdataConvertsOnlyTheNameField) {
  const struct {
    const char* rrtype;
    const char* rdata;
    const char* expected;
  } rows[] = {
      {"NS", "ns1.xn--bcher-kva.example.", "ns1.bücher.example."},
      {"cname", "xn--bcher-kva.example.", "bücher.example."},
      {"PTR", "xn--mnchen-3ya.example.", "münchen.example."},
      {"DNAME", "xn--bcher-kva.example.", "bücher.example."},
      {"MX", "10 mail.xn--bcher-kva.example.", "10 mail.bücher.example."},
      {"SRV", "0 5 5060 sip.xn--bcher-kva.example.", "0 5 5060 sip.bücher.example."},
      // Other types, and data not of the type's shape, stay as they are.
      {"TXT", "xn--bcher-kva.example.", "xn--bcher-kva.example."},
      {"A", "192.0.2.1", "192.0.2.1"},
      {"MX", "xn--bcher-kva.example.", "xn--bcher-kva.example."},
      {"MX", "10 a.xn--bcher-kva.example. extra", "10 a.xn--bcher-kva.example. extra"},
      {"SRV", "0 5 xn--bcher-kva.example.", "0 5 xn--bcher-kva.example."},
      {"NS", "xn--a.example.", "xn--a.example."},
  };
  for (const auto& row : rows)
    EXPECT_EQ(unicode_rdata(row.rrtype, row.rdata), row.expected) << row.rrtype << " " << row.rdata;
  std::string storage;
  EXPECT_STREQ(shown_rdata(false, "NS", "xn--bcher-kva.", storage), "xn--bcher-kva.");
  EXPECT_EQ(shown_rdata(true, nullptr, "xn--bcher-kva.", storage), std::string("xn--bcher-kva."));
  EXPECT_EQ(shown_owner(true, nullptr, storage), nullptr);
  EXPECT_STREQ(shown_owner(true, ".example.xn--bcher-kva", storage), ".example.bücher");
}

TEST(IdnTest, IsAscii) {
  EXPECT_TRUE(is_ascii(""));
  EXPECT_TRUE(is_ascii(std::string("a\0\x7f", 3)));
  EXPECT_FALSE(is_ascii("a\x80"));
  EXPECT_FALSE(is_ascii("bücher"));
}

}  // namespace
}  // namespace trawl
