// The sort child of a sorting writer: /usr/bin/sort, fed sort lines while
// the transfers run and read back when the writer is finished.
#pragma once

#include "core/options.h"

namespace trawl {

struct writer;

// Starts the sort program with the options' keys; throws panic_error when a
// pipe or the process cannot be made.
void sort_child_start(const run_options& opts, writer& wr);

// Closes the child's input, presents the sorted records within the writer's
// output limit and reaps the child; a child that failed marks the writer's
// output incomplete.
void sort_child_finish(writer& wr);

}  // namespace trawl
