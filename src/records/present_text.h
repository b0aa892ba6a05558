// The text presentation: master-file-like record lines under comment lines
// with the record's times, count and bailiwick.
#pragma once

#include "core/present.h"

namespace trawl {

struct pdns_tuple;

void present_text_lookup(const pdns_tuple& tup, const query_detail* qry, present_context& ctx);
void present_text_summarize(const pdns_tuple& tup, const query_detail* qry, present_context& ctx);

}  // namespace trawl
