// The CSV presentation: a header line, then one line per record data value,
// every text field quoted.
#pragma once

#include "core/present.h"

namespace trawl {

struct pdns_tuple;

void present_csv_lookup(const pdns_tuple& tup, const query_detail* qry, present_context& ctx);
void present_csv_summarize(const pdns_tuple& tup, const query_detail* qry, present_context& ctx);

}  // namespace trawl
