// Creating and finishing writers: the run's units of output.
#pragma once

#include <cstdint>

#include "core/options.h"
#include "core/state.h"
#include "core/transfer.h"

namespace trawl {

// The run's presentation as the options fix it; made once, before any writer.
void presentation_init(const run_options& opts, run_state& state);

// How a writer reads and presents records under these options and the
// current system.
void writer_configure(const run_options& opts, const run_state& state, writer& wr);

// A new writer at the head of the run's list, presenting through the run's
// presenter and sink; with sorting on, its sort child is started
// (panic_error when that fails). A meta writer collects its answers' lines
// whole instead of decoding them. events hears about its queries.
writer& writer_init(const run_options& opts, run_state& state, int64_t output_limit, bool meta,
                    query_listener events = {});

// Finishes the writer: releases its queries, presents its sorted records,
// and removes it from the run's list. Output that came out short fails the run.
void writer_fini(run_state& state, writer& wr);

// Finishes every writer still open, newest first.
void writer_fini_all(run_state& state);

}  // namespace trawl
