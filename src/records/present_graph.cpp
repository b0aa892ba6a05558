#include "records/present_graph.h"

#include "records/graph.h"

namespace trawl {

void present_graph_lookup(const pdns_tuple& tup, const query_detail* qry, present_context& ctx) {
  if (ctx.settings.graph != nullptr) ctx.settings.graph->add(tup, qry);
}

}  // namespace trawl
