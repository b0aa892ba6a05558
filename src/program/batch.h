// Batch mode (-f): query lines and $options lines read from standard input.
#pragma once

#include <optional>
#include <string>

#include "core/options.h"
#include "core/qparam.h"
#include "core/state.h"

namespace trawl {

// Fills qd from a line such as "rrset/name/NAME/A,NS/zone"; returns the
// parse error text, or nothing.
std::optional<std::string> batch_parse(const std::string& line, bool allow_8bit, qdesc& qd);

// Runs every line of standard input, one writer per line, or all of them
// into one shared writer with -m; the run's status so far, 1 when a line
// ended the run.
int do_batch(const run_options& opts, run_state& state, const qparam& cmdline_qp);

}  // namespace trawl
