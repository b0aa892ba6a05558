#include "program/crawl.h"

#include <gtest/gtest.h>

#include "program/launch.h"
#include "records/tuple.h"

namespace trawl {
namespace {

// The crawl's table: what each record leads to, as request paths.
TEST(Crawl, DerivesQueriesByTheTable) {
  const struct {
    const char* record;
    bool by_data;
    const char* rrtype;
    std::vector<std::string> paths;
  } rows[] = {
      {R"({"rrname":"a.example.","rrtype":"A","rdata":["192.0.2.1","not an address"]})",
       false,
       nullptr,
       {"rdata/ip/192.0.2.1"}},
      {R"({"rrname":"a.example.","rrtype":"AAAA","rdata":["2001:db8::1"]})",
       false,
       nullptr,
       {"rdata/ip/2001%3Adb8%3A%3A1"}},
      {R"({"rrname":"a.example.","rrtype":"CNAME","rdata":"b.example."})",
       false,
       "A,AAAA",
       {"rrset/name/b.example/A%2CAAAA"}},
      {R"({"rrname":"a.example.","rrtype":"MX","rdata":["10 mx.example.",7]})",
       false,
       nullptr,
       {"rrset/name/mx.example"}},
      {R"({"rrname":"a.example.","rrtype":"SRV","rdata":["0 5 443 t.example."]})",
       false,
       nullptr,
       {"rrset/name/t.example"}},
      {R"({"rrname":"a.example.","rrtype":"NS","rdata":[".",""]})", false, nullptr, {}},
      {R"({"rrname":"a.example.","rrtype":"TXT","rdata":["b.example."]})", false, nullptr, {}},
      // Found by searching record data: its owner too.
      {R"({"rrname":"a.example.","rrtype":"TXT","rdata":["x"]})",
       true,
       "NS",
       {"rrset/name/a.example/NS"}},
      {R"({"rrname":"a.example.","rrtype":"A","rdata":["192.0.2.9"]})",
       true,
       nullptr,
       {"rdata/ip/192.0.2.9", "rrset/name/a.example"}},
  };
  for (const auto& row : rows) {
    pdns_tuple tup;
    ASSERT_FALSE(tuple_make(tup, row.record, {}, false)) << row.record;
    std::vector<std::string> paths;
    const std::optional<std::string> rrtype =
        row.rrtype ? std::optional<std::string>(row.rrtype) : std::nullopt;
    for (const qdesc& qd : derive_queries(tup, row.by_data, rrtype))
      paths.push_back(build_path(qd));
    EXPECT_EQ(paths, row.paths) << row.record;
    tuple_unmake(tup);
  }
}

}  // namespace
}  // namespace trawl
