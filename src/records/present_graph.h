// The graph presentations (-p dot, graphml, gexf): each record joins the
// run's graph, which is written whole at the end of the run.
#pragma once

#include "core/present.h"

namespace trawl {

struct pdns_tuple;

void present_graph_lookup(const pdns_tuple& tup, const query_detail* qry, present_context& ctx);

}  // namespace trawl
