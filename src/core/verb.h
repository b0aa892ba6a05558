// Verbs and their per-format presenters: the types only; the table is built
// where the presenters live.
#pragma once

#include "core/options.h"
#include "core/present.h"

namespace trawl {

struct pdns_tuple;

// qry is what the record answers, or nullptr once that is gone (sorted
// records are presented after their queries have ended).
struct presenter {
  void (*function)(const pdns_tuple& tup, const query_detail* qry, present_context& ctx);
  bool sortable;
  bool annotates;  // shows the origin AS of A records when -a asks for it
};

struct verb {
  const char* name;
  const char* url_fragment;
  const char* (*check)(const run_options& opts);  // an error text, or nullptr
  const presenter* text;
  const presenter* json;
  const presenter* csv;
  const presenter* minimal;
  const presenter* graph;  // dot, graphml and gexf alike
};

// The verb's presenter for a presentation format, or nullptr.
inline const presenter* verb_presenter(const verb& v, presentation_format format) {
  switch (format) {
    case presentation_format::text:
      return v.text;
    case presentation_format::json:
      return v.json;
    case presentation_format::csv:
      return v.csv;
    case presentation_format::minimal:
      return v.minimal;
    case presentation_format::dot:
    case presentation_format::graphml:
    case presentation_format::gexf:
      return v.graph;
    case presentation_format::unset:
      break;
  }
  return nullptr;
}

}  // namespace trawl
