#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

#include "backends/systems.h"
#include "backends/trove.h"
#include "core/options.h"
#include "core/pdns_system.h"
#include "records/verbs.h"

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
  void SetUp() override { opts_.verb_selected = &verbs[0]; }

  std::optional<std::string> url(const pdns_system& sys, const char* path, const qparam& qp,
                                 const time_fence& tf, bool info) {
    std::string error;
    return trove_url(sys, opts_, settings_, path, qp, tf, info, &error);
  }

  run_options opts_;
  system_settings settings_;
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
    settings_.server = row.server;
    const auto made = url(*row.system, row.path, qparam{}, time_fence{}, row.info);
    ASSERT_TRUE(made);
    EXPECT_EQ(*made, with_version(row.url)) << row.server;
  }
}

TEST_F(TroveUrl, QueryKeysInTheirOrder) {
  settings_.server = "https://H";
  qparam qp;
  qp.gravel = true;
  qp.offset = 5;
  qp.query_limit = 0;
  opts_.max_count = 7;
  time_fence tf{1, 2, 3, 4};
  EXPECT_EQ(*url(system_trove1, "p", qp, tf, false),
            with_version("https://H/lookup/p?swclient=trawl&version=V&aggr=f&offset=5&max_count=7"
                         "&limit=0&time_first_after=1&time_first_before=2&time_last_after=3"
                         "&time_last_before=4"));
  qparam none;
  opts_.max_count = 0;
  EXPECT_EQ(*url(system_trove1, "p", none, time_fence{}, false),
            with_version("https://H/lookup/p?swclient=trawl&version=V"));
}

TEST_F(TroveUrl, VerbFragmentFollowsTheSelectedVerb) {
  settings_.server = "https://H/trove/v2";
  opts_.verb_selected = find_verb("Summarize");
  ASSERT_NE(opts_.verb_selected, nullptr);
  EXPECT_EQ(*url(system_trove2, "rrset/name/x", qparam{}, time_fence{}, false),
            with_version("https://H/trove/v2/summarize/rrset/name/x?swclient=trawl&version=V"));
}

TEST_F(TroveUrl, ReadyAppendsTheApiPathForTheFramedSystemOnly) {
  unsetenv("TROVE_API_KEY");
  unsetenv("TROVE_SERVER");
  trove_setval(settings_, "server", "https://H");
  EXPECT_STREQ(trove_ready(system_trove2, opts_, settings_), "no API key given");
  EXPECT_EQ(*settings_.server, "https://H/trove/v2");
  trove_destroy(settings_);
  trove_setval(settings_, "server", "https://H");
  trove_setval(settings_, "apikey", "k");
  EXPECT_EQ(trove_ready(system_trove1, opts_, settings_), nullptr);
  EXPECT_EQ(*settings_.server, "https://H");
  EXPECT_STREQ(trove_setval(settings_, "nope", "x"), "trove_setval() unrecognized key");
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
