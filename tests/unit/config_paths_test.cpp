#include "core/config_paths.h"
#include "core/trust.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace trawl {
namespace {

struct candidates_row {
  const char* home;
  const char* xdg;
  std::vector<std::string> expected;
};

TEST(ConfigPathsTest, CandidatesInOrder) {
  const std::vector<candidates_row> rows = {
      {"/home/u",
       nullptr,
       {"/home/u/.vela-trove-query.conf", "/home/u/.trove-query.conf", "/etc/vela-trove-query.conf",
        "/etc/trove-query.conf", "/home/u/.config/trawl/config"}},
      {"/home/u",
       "/xdg",
       {"/home/u/.vela-trove-query.conf", "/home/u/.trove-query.conf", "/etc/vela-trove-query.conf",
        "/etc/trove-query.conf", "/xdg/trawl/config"}},
      // Empty or relative: ignored, as the base directory convention says.
      {"/home/u",
       "",
       {"/home/u/.vela-trove-query.conf", "/home/u/.trove-query.conf", "/etc/vela-trove-query.conf",
        "/etc/trove-query.conf", "/home/u/.config/trawl/config"}},
      {"/home/u",
       "cfg",
       {"/home/u/.vela-trove-query.conf", "/home/u/.trove-query.conf", "/etc/vela-trove-query.conf",
        "/etc/trove-query.conf", "/home/u/.config/trawl/config"}},
      // Home is taken as given: no splitting, no globbing, no substitution.
      {"/h/a b*$(x)",
       nullptr,
       {"/h/a b*$(x)/.vela-trove-query.conf", "/h/a b*$(x)/.trove-query.conf",
        "/etc/vela-trove-query.conf", "/etc/trove-query.conf", "/h/a b*$(x)/.config/trawl/config"}},
      {"", nullptr, {"/etc/vela-trove-query.conf", "/etc/trove-query.conf"}},
      {"", "/xdg", {"/etc/vela-trove-query.conf", "/etc/trove-query.conf", "/xdg/trawl/config"}},
      {nullptr,
       nullptr,
       {"~/.vela-trove-query.conf", "~/.trove-query.conf", "/etc/vela-trove-query.conf",
        "/etc/trove-query.conf", "~/.config/trawl/config"}},
  };
  for (const candidates_row& row : rows) {
    EXPECT_EQ(config_candidates(row.home, row.xdg), row.expected)
        << (row.home ? row.home : "(null)") << " " << (row.xdg ? row.xdg : "(null)");
  }
}

// Each of file and directory on its own: option, then environment, then
// configuration; empty environment values choose nothing.
TEST(ConfigPathsTest, TrustChoice) {
  const ca_choice configured{"/conf/file.pem", "/conf/dir"};
  run_options opts;
  ca_choice chosen = choose_ca(opts, ca_environment(nullptr, "", nullptr), configured);
  EXPECT_EQ(chosen.file, "/conf/file.pem");
  EXPECT_EQ(chosen.path, "/conf/dir");

  chosen = choose_ca(opts, ca_environment("", "/env/ssl.pem", "/env/dir"), configured);
  EXPECT_EQ(chosen.file, "/env/ssl.pem");
  EXPECT_EQ(chosen.path, "/env/dir");
  chosen = choose_ca(opts, ca_environment("/env/curl.pem", "/env/ssl.pem", nullptr), configured);
  EXPECT_EQ(chosen.file, "/env/curl.pem");
  EXPECT_EQ(chosen.path, "/conf/dir");

  opts.ca_path = "/opt/dir";
  chosen = choose_ca(opts, ca_environment("/env/curl.pem", nullptr, "/env/dir"), configured);
  EXPECT_EQ(chosen.file, "/env/curl.pem");
  EXPECT_EQ(chosen.path, "/opt/dir");
  opts.ca_file = "/opt/file.pem";
  chosen = choose_ca(opts, ca_environment("/env/curl.pem", nullptr, nullptr), ca_choice{});
  EXPECT_EQ(chosen.file, "/opt/file.pem");

  chosen = choose_ca(run_options{}, ca_environment(nullptr, nullptr, nullptr), ca_choice{});
  EXPECT_FALSE(chosen.file);
  EXPECT_FALSE(chosen.path);
}

}  // namespace
}  // namespace trawl
