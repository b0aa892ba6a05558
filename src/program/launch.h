// Request paths, and the launching of a query's fetches.
#pragma once

#include <string>

#include "core/options.h"
#include "core/qparam.h"
#include "core/state.h"
#include "support/result.h"

namespace trawl {

// "rrset/name/..." path of a descriptor with every term escaped.
std::string build_path(const qdesc& qd);

// Checks a record-type list; nullptr when it is acceptable.
const char* rrtype_list_check(const char* list);

// Adds a query for qd to the writer with one fetch per record type; nullptr
// (after a log line) when the type list is refused, which asks nothing. An
// error when the system cannot ask for it: the run cannot go on.
result<query*> launch_query(const run_options& opts, run_state& state, const qdesc& qd,
                            const qparam& qp, writer& wr);

}  // namespace trawl
