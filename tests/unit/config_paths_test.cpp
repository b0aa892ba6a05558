#include "core/config_paths.h"

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

}  // namespace
}  // namespace trawl
