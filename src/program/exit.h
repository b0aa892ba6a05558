// The run's single options and state records, and the one way out of the
// program: only this layer reports a fatal failure and ends the run.
#pragma once

#include "core/diag.h"
#include "core/options.h"
#include "core/state.h"

namespace trawl {

// The run-wide instances; everything below the program layer is handed them.
struct run {
  run_options opts;
  run_state state;
};
run& the_run();

// "error: TEXT", an empty line and the hint line on standard error; exit 1.
[[noreturn]] void usage_error(const char* fmt, ...) TRAWL_PRINTF(1, 2);

// "panic (OPERATION): ERROR"; exit 1.
[[noreturn]] void panic_exit(const char* operation, int error_number);

// Reports that standard output cannot be written, once; a reader that has
// gone ends the run quietly at once.
void output_failure(int error_number);

// Finishes the writers still open, so that buffered and sorted output is
// delivered, stops the engine, releases the run's resources and exits.
[[noreturn]] void clean_exit(int status);

// Reads a non-negative decimal time-out into the options, or ends the run.
void set_timeout(run_options& opts, const char* text, const char* label);

}  // namespace trawl
