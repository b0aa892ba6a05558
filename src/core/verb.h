// Verbs and their per-format presenters: the types only; the table is built
// where the presenters live.
#pragma once

#include "core/options.h"

namespace trawl {

struct pdns_tuple;
struct query;
struct writer;
struct run_state;

// qry is the query the record answers, or nullptr once it is gone (sorted
// records are presented after their queries have ended).
struct presenter {
  void (*function)(const run_options& opts, run_state& state, const pdns_tuple& tup,
                   const query* qry, writer& wr);
  bool sortable;
};

struct verb {
  const char* name;
  const char* url_fragment;
  const char* (*check)(const run_options& opts);  // an error text, or nullptr
  const presenter* text;
  const presenter* json;
  const presenter* csv;
  const presenter* minimal;
};

// The verb's presenter for a presentation format, or nullptr.
inline const presenter* verb_presenter(const verb& v, presentation_format format) {
  switch (format) {
    case format_text:
      return v.text;
    case format_json:
      return v.json;
    case format_csv:
      return v.csv;
    case format_minimal:
      return v.minimal;
    case format_unset:
      break;
  }
  return nullptr;
}

}  // namespace trawl
