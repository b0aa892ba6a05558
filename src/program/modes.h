// The run modes that need no loop of their own: a single query, and the
// account information.
#pragma once

#include "core/options.h"
#include "core/state.h"
#include "program/cli.h"

namespace trawl {

// The line that says why a query's answer is short or missing when its
// status alone would not: "answer incomplete after N records: REASON" for an
// answer followed with --all that stopped before its end, "not in the cache:
// PATH" for one --offline could not find. False when there is none.
bool report_shortfall(const query& q);

// How a query's end is told when it is the run's only one: a log line for a
// limit, a failure or a missing terminator, or its status.
query_listener single_query_reports(const run_options& opts);

// Runs the command line's query; 1 when the run cannot go on.
int run_single_query(const run_options& opts, run_state& state, const cli_state& cli);

// Shows the account's rate limits.
void run_info(const run_options& opts, run_state& state);

}  // namespace trawl
