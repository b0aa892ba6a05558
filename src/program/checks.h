// The checks after option scanning: functions from the options to the text
// of the first refusal, or nothing, in the order the run makes them.
#pragma once

#include <optional>
#include <string>

#include "core/options.h"
#include "core/pdns_system.h"
#include "program/cli.h"

namespace trawl {

enum class run_mode { cache, json_input, crawl, batch, info, single_query };

// The run mode the command line selects.
run_mode run_mode_of(const run_options& opts, const cli_state& cli);

// Before anything is looked up: operands left over, names that are not
// 7-bit clean (which become their ASCII form when they can), and an -i
// address or prefix length that no server could take.
std::optional<std::string> argument_checks(const run_options& opts, cli_state& cli);

// The time window of complete matching.
std::optional<std::string> window_checks(const cli_state& cli);

// The presentation: a presenter for the verb, the transforms it allows, and
// whether it can be sorted.
std::optional<std::string> presentation_checks(const run_options& opts);

// Once the system is chosen: the verb, the system's view of it, and the
// options that the run mode cannot take ("can't mix -X with -Y").
std::optional<std::string> mode_checks(const run_options& opts, const cli_state& cli,
                                       const pdns_system& sys);

}  // namespace trawl
