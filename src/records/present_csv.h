// The CSV presentation: a header line, then one line per record data value,
// every text field quoted.
#pragma once

#include "core/options.h"

namespace trawl {

struct pdns_tuple;
struct query;
struct writer;
struct run_state;

void present_csv_lookup(const run_options& opts, run_state& state, const pdns_tuple& tup,
                        const query* qry, writer& wr);
void present_csv_summarize(const run_options& opts, run_state& state, const pdns_tuple& tup,
                           const query* qry, writer& wr);

}  // namespace trawl
