#include <strings.h>

#include "trawl/present.h"
#include "trawl/settings.h"
#include "trawl/verb.h"

namespace trawl {

namespace {

const char* lookup_ok() {
  if (max_count > 0) return "max_count is not allowed for the lookup verb";
  return nullptr;
}

const char* summarize_ok() {
  if (sorting != sort_none) return "Sorting with a summarize verb makes no sense";
  return nullptr;
}

}  // namespace

const verb verbs[] = {
    {"lookup", "/lookup", lookup_ok, &pres_text_lookup, &pres_json_lookup, &pres_csv_lookup,
     &pres_minimal_lookup},
    {"summarize", "/summarize", summarize_ok, &pres_text_summarize, &pres_json_summarize,
     &pres_csv_summarize, nullptr},
    {nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr},
};

const verb* find_verb(const char* text) {
  for (const verb* v = verbs; v->name != nullptr; ++v)
    if (strcasecmp(v->name, text) == 0) return v;
  return nullptr;
}

const presenter* verb_presenter(const verb& v, int format) {
  switch (format) {
    case format_text:
      return v.text;
    case format_json:
      return v.json;
    case format_csv:
      return v.csv;
    case format_minimal:
      return v.minimal;
    default:
      return nullptr;
  }
}

}  // namespace trawl
