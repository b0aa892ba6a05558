// The transfer engine: one multi handle driving every fetch of the run, and
// what is done when a transfer and a query end.
#pragma once

#include "core/options.h"
#include "core/state.h"

namespace trawl {

// Starts the transfer library and the multi handle; throws fatal_error when
// the handle cannot be made.
void engine_init(transfer_engine& engine);
void engine_fini(transfer_engine& engine);

// Runs transfers until at most n are still running, handling each one that
// ends; rethrows a failure met inside a library callback.
void io_engine(const run_options& opts, run_state& state, int n);

// Handles every transfer that has ended. A query whose last transfer ended
// is reported to its writer's listener.
void io_drain(const run_options& opts, run_state& state);

}  // namespace trawl
