// The minimal presentation: each distinct value found, once per run.
#pragma once

#include "core/present.h"

namespace trawl {

struct pdns_tuple;

// Prints the record's data, or its owner name when the query searched by
// data; a value printed before in this run is left out.
void present_minimal_lookup(const pdns_tuple& tup, const query_detail* qry, present_context& ctx);

}  // namespace trawl
