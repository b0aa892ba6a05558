// What every fuzz target shares: output that goes nowhere, and a run's
// options and state built once, as a test fixture builds them.
#pragma once

#include <cstdio>
#include <cstdlib>

#include "core/diag.h"
#include "core/options.h"
#include "core/state.h"

namespace trawl {

// A presenter prints every record: at millions of inputs a second that
// output would cost more than the decoding under test.
inline void fuzz_quiet_stdout() {
  if (freopen("/dev/null", "w", stdout) == nullptr) abort();
}

// One per target, alive for the whole process; targets reset what an input
// may change before using it.
struct fuzz_run {
  run_options opts;
  run_state state;

  fuzz_run() { diag_attach(opts); }
  fuzz_run(const fuzz_run&) = delete;
  fuzz_run& operator=(const fuzz_run&) = delete;
};

}  // namespace trawl
