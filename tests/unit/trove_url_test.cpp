#include <gtest/gtest.h>

#include "trawl/backends.h"
#include "trawl/pdns_system.h"
#include "trawl/settings.h"
#include "trawl/trove_settings.h"
#include "trawl/verb.h"

namespace trawl {
namespace {

struct url_row {
  const pdns_system* system;
  const char* server;
  bool info;
  const char* path;
  const char* url;  // with V standing for the version string
};

std::string with_version(std::string url) {
  const size_t at = url.find("=V");
  if (at != std::string::npos) url.replace(at + 1, 1, version_string());
  return url;
}

class TroveUrl : public ::testing::Test {
 protected:
  void TearDown() override {
    trove_destroy();
    psys = nullptr;
    max_count = 0;
    verb_selected = &verbs[0];
  }
};

TEST_F(TroveUrl, ServerForms) {
  const url_row rows[] = {
      {&system_trove2, "https://HOST/trove/v2", false, "rrset/name/NAME",
       "https://HOST/trove/v2/lookup/rrset/name/NAME?swclient=trawl&version=V"},
      {&system_trove2, "https://HOST/trove/v2", true, "rate_limit",
       "https://HOST/trove/v2/rate_limit?swclient=trawl&version=V"},
      {&system_trove1, "https://HOST", false, "rrset/name/NAME",
       "https://HOST/lookup/rrset/name/NAME?swclient=trawl&version=V"},
      {&system_trove1, "https://HOST", true, "rate_limit",
       "https://HOST/lookup/rate_limit?swclient=trawl&version=V"},
      {&system_trove1, "HOST", false, "rrset/name/NAME",
       "https://HOST/lookup/rrset/name/NAME?swclient=trawl&version=V"},
      {&system_trove1, "https://HOST/some/path", false, "rrset/name/NAME",
       "https://HOST/some/path/rrset/name/NAME?swclient=trawl&version=V"},
      {&system_trove1, "HOST/p", false, "rdata/ip/1.2.3.4",
       "https://HOST/p/rdata/ip/1.2.3.4?swclient=trawl&version=V"},
      {&system_trove2, "http://127.0.0.1:9/trove/v2/extra", false, "rrset/name/x",
       "http://127.0.0.1:9/trove/v2/extra/lookup/rrset/name/x?swclient=trawl&version=V"},
  };
  for (const url_row& row : rows) {
    psys = row.system;
    trove.server = row.server;
    const auto url = trove_url(row.path, qparam{}, time_fence{}, row.info);
    ASSERT_TRUE(url);
    EXPECT_EQ(*url, with_version(row.url)) << row.server;
  }
}

TEST_F(TroveUrl, QueryKeysInTheirOrder) {
  psys = &system_trove1;
  trove.server = "https://H";
  qparam qp;
  qp.gravel = true;
  qp.offset = 5;
  qp.query_limit = 0;
  max_count = 7;
  time_fence tf{1, 2, 3, 4};
  EXPECT_EQ(*trove_url("p", qp, tf, false),
            with_version("https://H/lookup/p?swclient=trawl&version=V&aggr=f&offset=5&max_count=7"
                         "&limit=0&time_first_after=1&time_first_before=2&time_last_after=3"
                         "&time_last_before=4"));
  qparam none;
  max_count = 0;
  EXPECT_EQ(*trove_url("p", none, time_fence{}, false),
            with_version("https://H/lookup/p?swclient=trawl&version=V"));
}

TEST_F(TroveUrl, VerbFragmentFollowsTheSelectedVerb) {
  psys = &system_trove2;
  trove.server = "https://H/trove/v2";
  verb_selected = find_verb("Summarize");
  ASSERT_NE(verb_selected, nullptr);
  EXPECT_EQ(*trove_url("rrset/name/x", qparam{}, time_fence{}, false),
            with_version("https://H/trove/v2/summarize/rrset/name/x?swclient=trawl&version=V"));
}

TEST_F(TroveUrl, ReadyAppendsTheApiPathForTheFramedSystemOnly) {
  unsetenv("TROVE_API_KEY");
  unsetenv("TROVE_SERVER");
  psys = &system_trove2;
  trove_setval("server", "https://H");
  EXPECT_STREQ(trove_ready(), "no API key given");
  EXPECT_EQ(*trove.server, "https://H/trove/v2");
  trove_destroy();
  psys = &system_trove1;
  trove_setval("server", "https://H");
  trove_setval("apikey", "k");
  EXPECT_EQ(trove_ready(), nullptr);
  EXPECT_EQ(*trove.server, "https://H");
  EXPECT_STREQ(trove_setval("nope", "x"), "trove_setval() unrecognized key");
}

TEST_F(TroveUrl, VerbChecks) {
  qparam qp;
  EXPECT_EQ(trove_verb_ok("LOOKUP", qp), nullptr);
  EXPECT_EQ(trove_verb_ok("summarize", qp), nullptr);
  qp.query_limit = 10;
  qp.output_limit = 10;
  EXPECT_EQ(trove_verb_ok("summarize", qp), nullptr);
  qp.explicit_output_limit = 10;
  EXPECT_STREQ(trove_verb_ok("summarize", qp), "only 'lookup' understands output limits");
  qp.offset = 5;
  EXPECT_STREQ(trove_verb_ok("summarize", qp), "only 'lookup' understands offsets");
}

}  // namespace
}  // namespace trawl
