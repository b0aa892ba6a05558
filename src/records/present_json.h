// The JSON presentation: each record as one compact JSON line, as received
// unless transforms or annotations change it (those go under "_trawl").
#pragma once

#include <string_view>

#include "core/present.h"
#include "support/json_ref.h"

namespace trawl {

struct pdns_tuple;

void present_json_lookup(const pdns_tuple& tup, const query_detail* qry, present_context& ctx);
void present_json_summarize(const pdns_tuple& tup, const query_detail* qry, present_context& ctx);

// The asinfo value of one rdata value, or nothing.
json_ref annotation_json(as_annotation* asinfo, const char* rrtype, const char* rdata);

// Writes a JSON text indented by two; false (after a log line) when it does not parse.
bool pprint_json(std::string_view text, output_sink& sink);

}  // namespace trawl
