// The answer store as a run sets it up: its settings from the options, the
// environment and the configuration, the file opened (or warned about), and
// the run modes that look at the store itself.
#pragma once

#include <optional>
#include <string>

#include "core/options.h"
#include "core/state.h"
#include "support/result.h"

namespace trawl {

// A size of bytes as TRAWL_CACHE_MAX takes it: digits and an optional K, M,
// G or T (powers of 1024, either case, an optional trailing "B" or "iB").
std::optional<uint64_t> parse_size(const std::string& text);

// Settles whether the store is used and how, once the configuration has
// been read: --cache, --no-cache, --offline and --refresh over TRAWL_CACHE;
// --cache-ttl over TRAWL_CACHE_TTL; TRAWL_CACHE_MAX; TRAWL_CACHE_FILE over
// the default path. The refusal's text for a setting that is no value.
std::optional<std::string> settle_cache(run_options& opts, const run_state& state);

// Opens the store when the run uses it, making its folder (mode 0700) as
// needed. A store that cannot be opened is warned about, and the run goes
// on without it; for --cache-info and --cache-clear it is the run's failure
// (the text returned).
std::optional<std::string> open_cache(const run_options& opts, run_state& state);

// --cache-info: the file, its answers, their bytes, the oldest and newest;
// --cache-clear: every answer removed. The run's status.
int run_cache_mode(const run_options& opts, run_state& state);

}  // namespace trawl
