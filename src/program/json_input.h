// JSON input mode (-J): records saved from JSON output, presented anew.
#pragma once

#include "core/options.h"
#include "core/qparam.h"
#include "core/state.h"

namespace trawl {

// Reads fd to its end through the record stream; name is how the input is
// called in a message.
void do_json_input(const run_options& opts, run_state& state, const qparam& qp, int fd,
                   const char* name);

}  // namespace trawl
