// What a presenter is handed: the record's query, the run's presentation
// settings and the door to standard output, and nothing else.
#pragma once

#include <optional>
#include <string>

#include "core/options.h"
#include "core/qparam.h"
#include "support/asinfo_pool.h"
#include "support/dedup_set.h"
#include "support/output_sink.h"

namespace trawl {

// The origin-AS lookups of -a: the zone asked, and the pool that asks it
// ahead of the records and remembers every answer for the run.
struct as_annotation {
  std::string zone;
  asinfo_pool pool;
};

// What a record answers: the search that found it. Records read back from
// the sort program, and saved JSON input, have none or an empty one.
struct query_detail {
  search_mode mode = search_mode::none;
  std::optional<std::string> descr;  // the request path of the whole search
  qparam qp;
  int depth = -1;                  // in a crawl (--pivot): 0 for a seed
  std::optional<std::string> via;  // in a crawl: the query whose answer led to this one
};

struct record_graph;

// The run's presentation settings, the same for every record.
struct presentation {
  bool iso_time = false;
  transform_set transforms;
  as_annotation* asinfo = nullptr;   // none unless -a
  dedup_set* minimal_set = nullptr;  // values printed so far, for -p minimal
  record_graph* graph = nullptr;     // the run's graph, for -p dot, graphml and gexf
};

// One writer's presentation: the settings, the sink, and what the writer's
// own output has shown already.
struct present_context {
  present_context(const presentation& s, output_sink& o) : settings(s), sink(o) {}

  const presentation& settings;
  output_sink& sink;
  bool csv_header_done = false;
  std::string out;  // one record's text, built whole and written at once
};

}  // namespace trawl
