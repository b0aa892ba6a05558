// The text presentation: master-file-like record lines under comment lines
// with the record's times, count and bailiwick.
#pragma once

#include "core/options.h"

namespace trawl {

struct pdns_tuple;
struct query;
struct writer;
struct run_state;

void present_text_lookup(const run_options& opts, run_state& state, const pdns_tuple& tup,
                         const query* qry, writer& wr);
void present_text_summarize(const run_options& opts, run_state& state, const pdns_tuple& tup,
                            const query* qry, writer& wr);

}  // namespace trawl
