// The progress line of long work on a terminal: how far a batch, or one
// long answer, has come, redrawn in place on standard error.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>

#include "core/options.h"
#include "core/state.h"

namespace trawl {

struct progress_counts {
  bool batch = false;  // lines of a batch; otherwise one query's answer
  long lines_done = 0;
  long lines_failed = 0;
  long records = 0;
  int64_t bytes = 0;  // of the answer's body
};

// "12 lines done, 1 failed, 3456 records, 0:07 elapsed", or for one query
// "3456 records, 1.2 MiB received, 0:07 elapsed".
std::string progress_text(const progress_counts& counts, long elapsed_ms);

// True when the options allow a progress line (not quiet, no debug output,
// not refused, no batch typed on a terminal) and standard error is a
// terminal that can redraw a row (TERM set and not "dumb").
bool progress_wanted(const run_options& opts);

// The progress line of one run mode, from its making to its end. It is
// drawn once the work has run a second, at most ten times a second, when
// the engine ticks and when the mode calls update; it is erased at the end,
// and before standard output is written when that is the same terminal.
struct progress_line {
  using steady = std::chrono::steady_clock;

  progress_line(const run_options& opts, run_state& state, std::function<progress_counts()> counts);
  progress_line(const progress_line&) = delete;
  progress_line& operator=(const progress_line&) = delete;
  ~progress_line();

  void update();

  run_state& state;
  bool on = false;
  std::function<progress_counts()> counts;
  steady::time_point started = steady::now();
  steady::time_point drawn{};  // none yet while this is the epoch
};

}  // namespace trawl
