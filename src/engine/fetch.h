// Setting up one transfer of a query.
#pragma once

#include <string>

#include "core/options.h"
#include "core/state.h"
#include "core/transfer.h"

namespace trawl {

// Creates the query's newest fetch for url with every transfer option the
// run asks for, and adds it to the engine; throws fatal_error when the
// transfer library refuses.
fetch& fetch_init(const run_options& opts, run_state& state, query& q, std::string url);

}  // namespace trawl
