#include <gtest/gtest.h>

#include "core/qparam.h"
#include "program/launch.h"

namespace trawl {
namespace {

struct path_row {
  qdesc qd;
  const char* path;
};

qdesc make(search_mode mode, const char* thing, const char* rrtype = nullptr,
           const char* bailiwick = nullptr, const char* pfxlen = nullptr) {
  qdesc qd;
  qd.mode = mode;
  qd.thing = thing;
  if (rrtype) qd.rrtype = rrtype;
  if (bailiwick) qd.bailiwick = bailiwick;
  if (pfxlen) qd.pfxlen = pfxlen;
  return qd;
}

TEST(BuildPath, EveryModeAndTermCombination) {
  const path_row rows[] = {
      {make(search_mode::rrset_name, "name"), "rrset/name/name"},
      {make(search_mode::rrset_name, "name", "A"), "rrset/name/name/A"},
      {make(search_mode::rrset_name, "name", nullptr, "zone"), "rrset/name/name/ANY/zone"},
      {make(search_mode::rrset_name, "name", "A,NS", "zone"), "rrset/name/name/A%2CNS/zone"},
      {make(search_mode::rdata_name, "name", "MX", "ignored"), "rdata/name/name/MX"},
      {make(search_mode::rdata_name, "name"), "rdata/name/name"},
      {make(search_mode::rdata_ip, "10.0.0.0", "A", nullptr, "8"), "rdata/ip/10.0.0.0,8"},
      {make(search_mode::rdata_ip, "10.0.0.0,8"), "rdata/ip/10.0.0.0%2C8"},
      {make(search_mode::rrset_raw, "0361626300", "A"), "rrset/raw/0361626300/A"},
      {make(search_mode::rrset_raw, "0361626300"), "rrset/raw/0361626300"},
      {make(search_mode::rdata_raw, "c0000201", "A", nullptr, "9"), "rdata/raw/c0000201/A"},
      {make(search_mode::rdata_raw, "c0000201"), "rdata/raw/c0000201"},
      // Everything but letters, digits and -._~ is escaped, upper-case hex.
      {make(search_mode::rrset_name, "a b/c~d_e-f.g", nullptr, "x y/z"),
       "rrset/name/a%20b%2Fc~d_e-f.g/ANY/x%20y%2Fz"},
      {make(search_mode::rrset_name, "*.example.com\r"), "rrset/name/%2A.example.com%0D"},
      {make(search_mode::rrset_name, "\xc3\xa9"), "rrset/name/%C3%A9"},
  };
  for (const path_row& row : rows) EXPECT_EQ(build_path(row.qd), row.path) << row.path;
}

struct rrtype_row {
  const char* list;
  const char* error;
};

TEST(RrtypeListCheck, LimitsDuplicatesAndAnyMixing) {
  const rrtype_row rows[] = {
      {"A", nullptr},
      {"a,A", "duplicate rrtype encountered"},
      {"a,b,c,d,e,f,g,h", nullptr},
      {"a,b,c,d,e,f,g,h,i", "too many rrtypes specified"},
      {"a,b,c,d,e,f,g,h,a", "too many rrtypes specified"},  // the count is tested first
      {"any,a", "ANY is redundant when mixed like this"},
      {"a,any", "ANY is redundant when mixed like this"},
      {"any,ds", nullptr},
      {"any,any-dnssec", nullptr},
      {"any-dnssec,rrsig", "ANY-DNSSEC is redundant when mixed like this"},
      {"nsec3,ANY-DNSSEC", "ANY-DNSSEC is redundant when mixed like this"},
      {"any-dnssec,a", nullptr},
      {"", "no record type given"},
      {",,,", "no record type given"},
      {"a,,b", nullptr},
  };
  for (const rrtype_row& row : rows) {
    const char* err = rrtype_list_check(row.list);
    if (row.error == nullptr)
      EXPECT_EQ(err, nullptr) << row.list;
    else
      EXPECT_STREQ(err, row.error) << row.list;
  }
}

TEST(TimeFence, CompleteMatchingAsksForTheWholeLifeInsideTheWindow) {
  qparam qp;
  qp.after = 100;
  qp.before = 200;
  time_fence loose = time_fence_of(qp);
  EXPECT_EQ(loose.last_after, 100u);
  EXPECT_EQ(loose.first_before, 200u);
  EXPECT_EQ(loose.first_after, 0u);
  EXPECT_EQ(loose.last_before, 0u);
  qp.complete = true;
  time_fence strict = time_fence_of(qp);
  EXPECT_EQ(strict.first_after, 100u);
  EXPECT_EQ(strict.last_before, 200u);
  EXPECT_EQ(strict.last_after, 0u);
  EXPECT_EQ(strict.first_before, 0u);
}

}  // namespace
}  // namespace trawl
