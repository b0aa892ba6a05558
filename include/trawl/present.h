// The presenters of every format, and the record stream that feeds them.
#pragma once

#include <cstddef>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

#include "trawl/json_ref.h"
#include "trawl/verb.h"

namespace trawl {

struct fetch;

void present_text_lookup(const pdns_tuple& tup, query* qry, writer& wr);
void present_text_summarize(const pdns_tuple& tup, query* qry, writer& wr);
void present_csv_lookup(const pdns_tuple& tup, query* qry, writer& wr);
void present_csv_summarize(const pdns_tuple& tup, query* qry, writer& wr);
void present_minimal_lookup(const pdns_tuple& tup, query* qry, writer& wr);
void present_json_lookup(const pdns_tuple& tup, query* qry, writer& wr);
void present_json_summarize(const pdns_tuple& tup, query* qry, writer& wr);

extern const presenter pres_text_lookup;
extern const presenter pres_text_summarize;
extern const presenter pres_csv_lookup;
extern const presenter pres_csv_summarize;
extern const presenter pres_minimal_lookup;
extern const presenter pres_json_lookup;
extern const presenter pres_json_summarize;

// The asinfo value of one rdata value, or nothing.
json_ref annotation_json(const char* rrtype, const char* rdata);

// Writes a JSON text indented by two; false (after a log line) when it does not parse.
bool pprint_json(const char* text, size_t length, FILE* stream);

// Handles one complete line of a fetch's body; 1 when a record went out.
// line is one complete line of the fetch's body, without its newline.
int data_blob(fetch& f, std::string_view line);

}  // namespace trawl
