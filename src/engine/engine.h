// The transfer engine: one multi handle driving every fetch of the run, and
// the reports made when a transfer and a query end.
#pragma once

#include "core/options.h"

namespace trawl {

struct run_state;

// Starts the transfer library and the multi handle; throws fatal_error when
// the handle cannot be made.
void engine_init(run_state& state);
void engine_fini(run_state& state);

// Runs transfers until at most n are still running, handling each one that
// ends; rethrows a failure met inside a library callback.
void io_engine(const run_options& opts, run_state& state, int n);

// Handles every transfer that has ended.
void io_drain(const run_options& opts, run_state& state);

}  // namespace trawl
