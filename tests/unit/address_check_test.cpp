#include "core/address_check.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace trawl {
namespace {

TEST(RdataIpCheck, RefusesWhatNoServerCouldTake) {
  struct row {
    std::string address;
    std::optional<std::string> pfxlen;
    const char* refusal;  // nullptr: accepted
  };
  const row rows[] = {
      {"192.0.2.1", std::nullopt, nullptr},
      {"10.0.0.0", "8", nullptr},
      {"10.0.0.0", "0", nullptr},
      {"10.0.0.0", "32", nullptr},
      {"10.0.0.0", "032", nullptr},
      {"2001:db8::", "32", nullptr},
      {"2001:db8::", "128", nullptr},
      {"::ffff:192.0.2.1", "128", nullptr},
      {"300.1.2.3", std::nullopt, "bad -i value: '300.1.2.3' is not an IPv4 or IPv6 address"},
      {"10.0.0", "8", "bad -i value: '10.0.0' is not an IPv4 or IPv6 address"},
      {"2001:db8:::1", std::nullopt, "bad -i value: '2001:db8:::1' is not an IPv4 or IPv6 address"},
      {"caf\xc3\xa9", std::nullopt, "bad -i value: 'caf\xc3\xa9' is not an IPv4 or IPv6 address"},
      {"", "8", "bad -i value: '' is not an IPv4 or IPv6 address"},
      {std::string("10.0.0.1\0x", 10), std::nullopt,
       "bad -i value: '10.0.0.1\\000x' is not an IPv4 or IPv6 address"},
      {"10.0.0.0", "40",
       "bad -i value: prefix length '40' is more than 32 for IPv4 address '10.0.0.0'"},
      {"10.0.0.0", "33",
       "bad -i value: prefix length '33' is more than 32 for IPv4 address '10.0.0.0'"},
      {"2001:db8::", "129",
       "bad -i value: prefix length '129' is more than 128 for IPv6 address '2001:db8::'"},
      {"2001:db8::", "99999999999999999999999",
       "bad -i value: prefix length '99999999999999999999999' is more than 128 for IPv6 "
       "address '2001:db8::'"},
      {"10.0.0.0", "abc", "bad -i value: prefix length 'abc' is not a number"},
      {"10.0.0.0", "", "bad -i value: prefix length '' is not a number"},
      {"10.0.0.0", "8/9", "bad -i value: prefix length '8/9' is not a number"},
      {"10.0.0.0", "-8", "bad -i value: prefix length '-8' is not a number"},
      {"10.0.0.0", " 8", "bad -i value: prefix length ' 8' is not a number"},
  };
  for (const row& r : rows) {
    const std::optional<std::string_view> pfxlen =
        r.pfxlen ? std::optional<std::string_view>(*r.pfxlen) : std::nullopt;
    const std::optional<std::string> got = rdata_ip_check(r.address, pfxlen);
    if (r.refusal == nullptr)
      EXPECT_EQ(got, std::nullopt) << r.address << " " << r.pfxlen.value_or("-");
    else
      EXPECT_EQ(got, std::optional<std::string>(r.refusal)) << r.address;
  }
}

// A batch term keeps its prefix length after a comma.
TEST(RdataIpCheck, BatchTermSplitsAtTheFirstComma) {
  EXPECT_EQ(rdata_ip_term_check("10.0.0.0,8"), std::nullopt);
  EXPECT_EQ(rdata_ip_term_check("192.0.2.1"), std::nullopt);
  EXPECT_EQ(rdata_ip_term_check("10.0.0.0,40"),
            "bad -i value: prefix length '40' is more than 32 for IPv4 address '10.0.0.0'");
  EXPECT_EQ(rdata_ip_term_check("10.0.0.0,8,9"),
            "bad -i value: prefix length '8,9' is not a number");
  EXPECT_EQ(rdata_ip_term_check("10.0.0.0/8"),
            "bad -i value: '10.0.0.0/8' is not an IPv4 or IPv6 address");
}

}  // namespace
}  // namespace trawl
