// The minimal presentation: each distinct value found, once per run.
#pragma once

#include "core/options.h"

namespace trawl {

struct pdns_tuple;
struct query;
struct writer;
struct run_state;

// Prints the record's data, or its owner name when the query searched by
// data; a value printed before in this run is left out.
void present_minimal_lookup(const run_options& opts, run_state& state, const pdns_tuple& tup,
                            const query* qry, writer& wr);

}  // namespace trawl
