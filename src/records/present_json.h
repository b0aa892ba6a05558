// The JSON presentation: each record as one compact JSON line, as received
// unless transforms or annotations change it (those go under "_trawl").
#pragma once

#include <cstddef>
#include <cstdio>

#include "core/options.h"
#include "support/json_ref.h"

namespace trawl {

struct pdns_tuple;
struct query;
struct writer;
struct run_state;

void present_json_lookup(const run_options& opts, run_state& state, const pdns_tuple& tup,
                         const query* qry, writer& wr);
void present_json_summarize(const run_options& opts, run_state& state, const pdns_tuple& tup,
                            const query* qry, writer& wr);

// The asinfo value of one rdata value, or nothing.
json_ref annotation_json(const run_options& opts, run_state& state, const char* rrtype,
                         const char* rdata);

// Writes a JSON text indented by two; false (after a log line) when it does not parse.
bool pprint_json(const char* text, size_t length, FILE* stream);

}  // namespace trawl
