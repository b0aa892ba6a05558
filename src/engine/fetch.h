// Setting up one transfer of a query, and each request it makes.
#pragma once

#include <string>

#include "core/options.h"
#include "core/state.h"
#include "core/transfer.h"

namespace trawl {

// Creates the query's newest fetch for url with every transfer option the
// run asks for, and adds it to the engine; page says whether and how its
// answer is followed across pages (--all). Throws fatal_error when the
// transfer library refuses.
fetch& fetch_init(const run_options& opts, run_state& state, query& q, std::string url,
                  page_state page = {});

// Points the fetch's transfer at url with the headers of its request: the
// credential, Accept, and the system's own headers that shape the answer
// (which may depend on the fetch's page). The transfer is not running.
void fetch_request(const run_options& opts, run_state& state, fetch& f, std::string url);

// Hands the fetch to the engine, which answers it from the next io_engine
// on: from the answer store when it is on and holds the answer, else with a
// transfer; throws fatal_error when the library refuses it.
void fetch_start(const run_options& opts, run_state& state, fetch& f);

// The transfer itself, recorded for the store when the store is on.
void fetch_transfer(const run_options& opts, run_state& state, fetch& f);

}  // namespace trawl
