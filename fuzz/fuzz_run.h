// What every fuzz target shares: a run's options and state built once, as a
// test fixture builds them, with standard output's sink writing to nowhere.
#pragma once

#include <fcntl.h>

#include <cstdlib>

#include "core/diag.h"
#include "core/options.h"
#include "core/state.h"
#include "engine/writer.h"
#include "support/file_handles.h"
#include "support/output_sink.h"

namespace trawl {

// The null device, opened for writing; the process cannot fuzz without it.
inline unique_fd fuzz_null_fd() {
  unique_fd fd(open("/dev/null", O_WRONLY | O_CLOEXEC));
  if (!fd) abort();
  return fd;
}

// One per target, alive for the whole process; targets reset what an input
// may change before using it.
struct fuzz_run {
  // A presenter prints every record: at millions of inputs a second that
  // output would cost more than the decoding under test, so the sink writes
  // to the null device, in pieces as large as the program's own.
  unique_fd null_fd = fuzz_null_fd();
  output_sink sink{null_fd.get()};
  run_options opts;
  run_state state{sink};

  fuzz_run() { diag_attach(opts); }
  fuzz_run(const fuzz_run&) = delete;
  fuzz_run& operator=(const fuzz_run&) = delete;

  // Gives the run's presentation what the options now say, as the program
  // does once its options are fixed.
  void set_up_presentation() { presentation_init(opts, state); }
};

}  // namespace trawl
