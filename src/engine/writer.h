// Creating and finishing writers: the run's output channels.
#pragma once

#include <cstdint>

#include "core/options.h"
#include "core/transfer.h"

namespace trawl {

struct run_state;

// A new writer at the head of the run's list; with sorting on, its sort child
// is started (panic_error when that fails).
writer& writer_init(const run_options& opts, run_state& state, int64_t output_limit,
                    void (*ps_user)(writer&), bool meta);

// Finishes the writer: releases its queries, presents its sorted records,
// hands its pending text to its sink, and removes it from the run's list.
void writer_fini(writer& wr);

// Finishes every writer still open, newest first.
void writer_fini_all(run_state& state);

// The sink that writes a writer's pending text to standard output.
void ps_stdout(writer& wr);

}  // namespace trawl
