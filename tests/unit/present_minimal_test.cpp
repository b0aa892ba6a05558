#include <string>
#include <vector>

#include "pdns_record_fixture.h"

namespace trawl {
namespace {

class present_minimal_test : public pdns_record_test {
 protected:
  query by_mode(search_mode mode) {
    query q;
    q.detail.mode = mode;
    q.wr = &wr_;
    return q;
  }
};

TEST_F(present_minimal_test, OwnerSearchPrintsEachValueOnceInTheRun) {
  query first = by_mode(search_mode::rrset_name);
  EXPECT_EQ(render(present_minimal_lookup, sample_lookup, &first), "192.0.2.1\n192.0.2.2\n");
  EXPECT_EQ(render(present_minimal_lookup, sample_lookup, &first), "");
  // A later query of the same run, as in a batch, sees the same set.
  query second = by_mode(search_mode::rrset_raw);
  EXPECT_EQ(render(present_minimal_lookup,
                   R"({"rrname":"b.","rrtype":"A","rdata":["192.0.2.3","192.0.2.2"]})", &second),
            "192.0.2.3\n");
}

TEST_F(present_minimal_test, DataSearchPrintsOwnerNamesOnce) {
  for (search_mode mode : {search_mode::rdata_name, search_mode::rdata_ip, search_mode::rdata_raw}) {
    state_.minimal_set = dedup_set_new(10000);
    query q = by_mode(mode);
    EXPECT_EQ(render(present_minimal_lookup, sample_lookup, &q), "host.example.com.\n") << static_cast<int>(mode);
    EXPECT_EQ(render(present_minimal_lookup,
                     R"({"rrname":"host.example.com.","rrtype":"A","rdata":"192.0.2.9"})", &q),
              "")
        << static_cast<int>(mode);
  }
}

TEST_F(present_minimal_test, DataSearchShowsTransformedOwner) {
  opts_.transforms = transform::chomp;
  query q = by_mode(search_mode::rdata_ip);
  EXPECT_EQ(render(present_minimal_lookup, sample_lookup, &q), "host.example.com\n");
}

TEST_F(present_minimal_test, BadValueIsPrintedOnce) {
  query q = by_mode(search_mode::rrset_name);
  EXPECT_EQ(render(present_minimal_lookup, R"({"rdata":["x",7]})", &q), "x\n[bad value]\n");
  EXPECT_EQ(render(present_minimal_lookup, R"({"rdata":[8,"y"]})", &q), "y\n");
}

TEST_F(present_minimal_test, AbsentValuesPrintNothing) {
  query owner = by_mode(search_mode::rrset_name);
  EXPECT_EQ(render(present_minimal_lookup, R"({"rrname":"a."})", &owner), "");
  query data = by_mode(search_mode::rdata_name);
  EXPECT_EQ(render(present_minimal_lookup, R"({"rdata":"x"})", &data), "");
}

// Saved JSON input carries no search mode; its records show their data.
TEST_F(present_minimal_test, QueryWithoutSearchModeShowsData) {
  query q = by_mode(search_mode::none);
  EXPECT_EQ(render(present_minimal_lookup, sample_lookup, &q), "192.0.2.1\n192.0.2.2\n");
  EXPECT_EQ(render(present_minimal_lookup, R"({"rdata":"192.0.2.2"})", nullptr), "");
  EXPECT_EQ(render(present_minimal_lookup, R"({"rdata":"192.0.2.7"})", nullptr), "192.0.2.7\n");
}

}  // namespace
}  // namespace trawl
