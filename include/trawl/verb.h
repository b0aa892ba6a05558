// Verbs and their per-format presenters.
#pragma once

namespace trawl {

struct pdns_tuple;
struct query;
struct writer;

struct presenter {
  void (*function)(const pdns_tuple& tup, query* qry, writer& wr);
  bool sortable;
};

struct verb {
  const char* name;
  const char* url_fragment;
  const char* (*check)();
  const presenter* text;
  const presenter* json;
  const presenter* csv;
  const presenter* minimal;
};

// Ends with an all-empty row; the first row (lookup) is the default.
extern const verb verbs[];

// The row whose name equals text ignoring case, or nullptr.
const verb* find_verb(const char* text);

// The verb's presenter for a presentation format, or nullptr.
const presenter* verb_presenter(const verb& v, int presentation);

}  // namespace trawl
