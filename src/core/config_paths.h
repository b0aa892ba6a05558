// Where the configuration file is looked for, in order of preference.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace trawl {

// The candidate paths, first match wins: ~/.vela-trove-query.conf,
// ~/.trove-query.conf, /etc/vela-trove-query.conf, /etc/trove-query.conf,
// then $XDG_CONFIG_HOME/trawl/config (~/.config/trawl/config when
// xdg_config_home is null, empty or not absolute, as the base directory
// convention asks). "~" is home, taken as given, as the C library's word
// expansion took it: an empty home yields no "~" path at all (the expansion
// fails there), and a null one leaves the "~" as it is. Pure: the caller
// passes getenv("HOME") or, when that is unset, account_home(), and
// getenv("XDG_CONFIG_HOME").
std::vector<std::string> config_candidates(const char* home, const char* xdg_config_home);

// Where the answer store is kept unless TRAWL_CACHE_FILE says otherwise:
// $XDG_CACHE_HOME/trawl/answers.sqlite, or ~/.cache/trawl/answers.sqlite
// when xdg_cache_home is null, empty or not absolute; nothing without a home.
// Pure, as config_candidates.
std::optional<std::string> cache_file_default(const char* home, const char* xdg_cache_home);

// The home directory of the account running the program, from the password
// database: what "~" means when HOME is unset.
std::optional<std::string> account_home();

}  // namespace trawl
