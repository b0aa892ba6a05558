#include "support/asinfo.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace trawl {
namespace {

constexpr uint16_t type_cname = 5;
constexpr uint16_t type_txt = 16;

// A DNS response to a TXT question, answers appended one by one.
class dns_message {
 public:
  explicit dns_message(int rcode = 0) {
    put16(0x1234);
    put16(0x8180 | rcode);  // QR, RD, RA
    put16(1);               // QDCOUNT
    put16(0);               // ANCOUNT, counted up by answer()
    put16(0);
    put16(0);
    for (const char* label : {"1", "2", "0", "192", "asn", "test"}) {
      bytes_.push_back(static_cast<unsigned char>(strlen(label)));
      bytes_.insert(bytes_.end(), label, label + strlen(label));
    }
    bytes_.push_back(0);
    put16(type_txt);
    put16(1);
  }

  dns_message& answer(uint16_t type, const std::vector<unsigned char>& rdata) {
    put16(0xc00c);  // the question's name
    put16(type);
    put16(1);
    put16(0);
    put16(3600);
    put16(static_cast<uint16_t>(rdata.size()));
    bytes_.insert(bytes_.end(), rdata.begin(), rdata.end());
    bytes_[7]++;
    return *this;
  }

  // `overrun` is added to the last string's length octet.
  dns_message& txt(const std::vector<std::string>& strings, int overrun = 0) {
    std::vector<unsigned char> rdata;
    for (const std::string& s : strings) {
      rdata.push_back(static_cast<unsigned char>(s.size() + (&s == &strings.back() ? overrun : 0)));
      rdata.insert(rdata.end(), s.begin(), s.end());
    }
    return answer(type_txt, rdata);
  }

  const std::vector<unsigned char>& bytes() const { return bytes_; }

 private:
  void put16(unsigned v) {
    bytes_.push_back(static_cast<unsigned char>(v >> 8));
    bytes_.push_back(static_cast<unsigned char>(v));
  }
  std::vector<unsigned char> bytes_;
};

// "AS|CIDR", "; comment", or "" for no annotation; anything else is malformed.
std::string describe(const asinfo_result& r) {
  std::string out = r.comment ? "; " + *r.comment : "";
  if (r.as_text) out += *r.as_text + "|";
  if (r.cidr) out += *r.cidr;
  return out;
}

// Parses a heap copy of exactly `length` bytes, so that a sanitizer sees any
// read past the end.
asinfo_result parse(const dns_message& msg, size_t cut = 0, asinfo_trace trace = nullptr) {
  std::vector<unsigned char> copy(msg.bytes().begin(), msg.bytes().end() - cut);
  return asinfo_from_answer(copy.data(), copy.size(), trace);
}

const std::string pipe_form = "64496 | 192.0.2.0/24 | XX | registry | 2020-01-01";

struct answer_row {
  const char* what;
  dns_message msg;
  std::string expected;
  size_t cut = 0;
};

TEST(AsinfoTest, AnswersGiveAnnotationOrComment) {
  const std::vector<answer_row> rows = {
      {"pipe form", dns_message().txt({pipe_form}), "64496|192.0.2.0/24"},
      {"three strings", dns_message().txt({"64496", "192.0.2.0", "24"}), "64496|192.0.2.0/24"},
      {"several AS kept as published", dns_message().txt({"64496 64497 | 192.0.2.0/24 | XX"}),
       "64496 64497|192.0.2.0/24"},
      // An AS number is a decimal from 0 to 4294967295, or the answer is a comment.
      {"empty fields", dns_message().txt({" |  | "}), "; bad AS number ''"},
      {"AS 0", dns_message().txt({"0 | 10.0.0.0/8 | XX"}), "0|10.0.0.0/8"},
      {"AS not a number", dns_message().txt({"abc | 10.0.0.0/8 | XX"}), "; bad AS number 'abc'"},
      {"AS negative", dns_message().txt({"-1 | 10.0.0.0/8 | XX"}), "; bad AS number '-1'"},
      {"AS past 32 bits", dns_message().txt({"4294967296", "10.0.0.0", "8"}),
       "; bad AS number '4294967296'"},
      {"AS past 64 bits", dns_message().txt({"64496 99999999999999999999 | 10.0.0.0/8 | XX"}),
       "; bad AS number '99999999999999999999'"},
      {"AS list with a double blank", dns_message().txt({"64496  64497 | 10.0.0.0/8 | XX"}),
       "; bad AS number ''"},
      {"longer prefix later", dns_message().txt({"64500 | 192.0.0.0/16 | XX"}).txt({pipe_form}),
       "64496|192.0.2.0/24"},
      {"longer prefix first", dns_message().txt({pipe_form}).txt({"64500", "192.0.0.0", "16"}),
       "64496|192.0.2.0/24"},
      {"equal prefixes keep the first",
       dns_message().txt({"64501", "192.0.2.0", "24"}).txt({pipe_form}), "64501|192.0.2.0/24"},
      {"no-origin AS alone", dns_message().txt({"4294967295", "192.0.2.0", "24"}), ""},
      {"no-origin AS less specific",
       dns_message().txt({pipe_form}).txt({"4294967295", "192.0.0.0", "16"}), "64496|192.0.2.0/24"},
      {"no-origin AS more specific drops the held one",
       dns_message().txt({"64500", "192.0.0.0", "16"}).txt({"4294967295", "192.0.2.0", "24"}), ""},
      {"no-origin AS first, then a real one",
       dns_message().txt({"4294967295", "192.0.2.0", "24"}).txt({"64500", "192.0.0.0", "16"}),
       "64500|192.0.0.0/16"},
      {"non-TXT answers skipped", dns_message().answer(type_cname, {0xc0, 0x0c}).txt({pipe_form}),
       "64496|192.0.2.0/24"},
      {"only non-TXT answers", dns_message().answer(type_cname, {0xc0, 0x0c}), ""},
      {"single answer's CIDR unchecked", dns_message().txt({"64496 | 192.0.2.0 | XX"}),
       "64496|192.0.2.0"},
      {"one separator", dns_message().txt({"64496 | 192.0.2.0/24"}), "; unrecognized TXT format"},
      {"no separator", dns_message().txt({"64496|192.0.2.0/24|XX"}), "; unrecognized TXT format"},
      {"two strings", dns_message().txt({"64496", "192.0.2.0/24"}), "; unrecognized TXT format"},
      {"four strings", dns_message().txt({"64496", "192.0.2.0", "24", "XX"}), "; len(TXT[]) > 3"},
      {"empty TXT", dns_message().answer(type_txt, {}), "; unrecognized TXT format"},
      {"one empty string", dns_message().txt({""}), "; unrecognized TXT format"},
      {"overrun by one", dns_message().txt({"64496", "192.0.2.0", "24"}, 1), "; TXT overrun"},
      {"overrun of a lone string", dns_message().txt({pipe_form}, 200), "; TXT overrun"},
      {"error drops the held answer", dns_message().txt({pipe_form}).txt({"x", "y"}),
       "; unrecognized TXT format"},
      {"bad new CIDR", dns_message().txt({pipe_form}).txt({"64500", "192.0.0.0", "0"}),
       "; bad CIDR syntax (new)"},
      {"bad old CIDR", dns_message().txt({"64500 | 192.0.0.0 | XX"}).txt({pipe_form}),
       "; bad CIDR syntax (old)"},
      {"server failure", dns_message(2).txt({pipe_form}), "; DNS RCODE 0x2"},
      {"no such name", dns_message(3), "; DNS RCODE 0x3"},
      {"no answers", dns_message(), "; ANCOUNT == 0"},
      {"truncated answer", dns_message().txt({pipe_form}), "; " + std::string(strerror(EMSGSIZE)),
       5},
      {"header only", dns_message().txt({pipe_form}), "; " + std::string(strerror(EMSGSIZE)),
       dns_message().txt({pipe_form}).bytes().size() - 12},
  };
  for (const answer_row& row : rows) {
    EXPECT_EQ(describe(parse(row.msg, row.cut)), row.expected) << row.what;
  }
}

TEST(AsinfoTest, EmptyAndShortBuffersAreRefused) {
  EXPECT_EQ(describe(asinfo_from_answer(nullptr, 0, nullptr)),
            "; " + std::string(strerror(EMSGSIZE)));
  EXPECT_EQ(describe(parse(dns_message(), 1)), "; " + std::string(strerror(EMSGSIZE)));
}

std::vector<std::string> traced;

void record_trace(int index, std::string_view text) {
  traced.push_back(std::to_string(index) + ":" + std::string(text));
}

TEST(AsinfoTest, TraceSeesEachStringOfEachRecordUpToTheError) {
  traced.clear();
  parse(dns_message().txt({"64496", "192.0.2.0", "24"}).txt({"a", "b", "c", "d"}), 0, record_trace);
  EXPECT_EQ(traced,
            (std::vector<std::string>{"0:64496", "1:192.0.2.0", "2:24", "0:a", "1:b", "2:c"}));
}

struct merge_row {
  std::optional<std::string> held_cidr;
  std::string new_as, new_cidr;
  const char* error;
  std::string held_after;  // as describe() shows it
};

TEST(AsinfoTest, MergeKeepsTheLongestPrefix) {
  const std::vector<merge_row> rows = {
      {std::nullopt, "64496", "no prefix at all", nullptr, "64496|no prefix at all"},
      {std::nullopt, "4294967295", "192.0.2.0/24", nullptr, ""},
      {"10.0.0.0/8", "64496", "10.1.0.0/16", nullptr, "64496|10.1.0.0/16"},
      {"10.0.0.0/8", "64496", "10.0.0.0/8", nullptr, "64500|10.0.0.0/8"},
      {"10.0.0.0/1", "64496", "2001:db8::/128", nullptr, "64496|2001:db8::/128"},
      {"10.0.0.0/8", "64496", "2001:db8::/129", "bad CIDR syntax (new)", "64500|10.0.0.0/8"},
      {"10.0.0.0/8", "64496", "10.0.0.0/", "bad CIDR syntax (new)", "64500|10.0.0.0/8"},
      {"10.0.0.0/8", "64496", "10.0.0.0/2x", "bad CIDR syntax (new)", "64500|10.0.0.0/8"},
      {"10.0.0.0/0", "64496", "10.0.0.0/16", "bad CIDR syntax (old)", "64500|10.0.0.0/0"},
      {"10.0.0.0", "64496", "bad", "bad CIDR syntax (old)", "64500|10.0.0.0"},
  };
  for (const merge_row& row : rows) {
    asinfo_result held;
    if (row.held_cidr) {
      held.as_text = "64500";
      held.cidr = row.held_cidr;
    }
    const char* error = asinfo_merge(held.as_text, held.cidr, row.new_as, row.new_cidr);
    EXPECT_STREQ(error, row.error) << row.new_cidr;
    EXPECT_EQ(describe(held), row.held_after) << row.new_cidr;
  }
}

TEST(AsinfoTest, QueryNameReversesIPv4Only) {
  EXPECT_EQ(asinfo_query_name("192.0.2.1", "asn.test"), "1.2.0.192.asn.test");
  EXPECT_EQ(asinfo_query_name("255.255.255.255", "z."), "255.255.255.255.z.");
  EXPECT_EQ(asinfo_query_name("0.0.0.0", "z"), "0.0.0.0.z");
  for (const char* bad : {"2001:db8::1", "192.0.2", "192.0.2.1 ", "192.0.2.256", "host", ""}) {
    EXPECT_EQ(asinfo_query_name(bad, "z"), std::nullopt) << bad;
  }
  EXPECT_EQ(asinfo_query_name(nullptr, "z"), std::nullopt);
}

TEST(AsinfoTest, ResolverOpensOnlyWhenUsed) {
  asinfo_resolver resolver;
  EXPECT_FALSE(resolver.is_open());
  resolver.close();
  EXPECT_FALSE(resolver.is_open());
}

}  // namespace
}  // namespace trawl
