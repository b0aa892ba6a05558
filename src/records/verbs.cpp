#include "records/verbs.h"

#include <strings.h>

#include "records/present_csv.h"
#include "records/present_graph.h"
#include "records/present_json.h"
#include "records/present_minimal.h"
#include "records/present_text.h"

namespace trawl {

namespace {

const char* lookup_ok(const run_options& opts) {
  if (opts.max_count > 0) return "max_count is not allowed for the lookup verb";
  return nullptr;
}

const char* summarize_ok(const run_options& opts) {
  if (opts.sorting != sort_mode::none) return "Sorting with a summarize verb makes no sense";
  return nullptr;
}

constexpr presenter pres_text_lookup{present_text_lookup, true, true};
constexpr presenter pres_text_summarize{present_text_summarize, true, false};
constexpr presenter pres_csv_lookup{present_csv_lookup, true, true};
constexpr presenter pres_csv_summarize{present_csv_summarize, true, false};
// It needs the query's search mode, which sorted records no longer have.
constexpr presenter pres_minimal_lookup{present_minimal_lookup, false, false};
constexpr presenter pres_json_lookup{present_json_lookup, true, true};
constexpr presenter pres_json_summarize{present_json_summarize, true, false};
// A graph is written whole at the end: order means nothing to it.
constexpr presenter pres_graph_lookup{present_graph_lookup, false, false};

constexpr verb verb_table[] = {
    {"lookup", "/lookup", lookup_ok, &pres_text_lookup, &pres_json_lookup, &pres_csv_lookup,
     &pres_minimal_lookup, &pres_graph_lookup},
    {"summarize", "/summarize", summarize_ok, &pres_text_summarize, &pres_json_summarize,
     &pres_csv_summarize, nullptr, nullptr},
};

}  // namespace

const std::span<const verb> verbs = verb_table;

const verb* find_verb(const char* text) {
  for (const verb& v : verbs)
    if (strcasecmp(v.name, text) == 0) return &v;
  return nullptr;
}

}  // namespace trawl
