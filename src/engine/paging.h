// --all: an answer followed across the pages a server cuts it into, and
// presented as one. The engine asks for each next page when the one before
// has ended; the back end says what that page is. An answer that cannot be
// followed to its end is incomplete, a failure of its query.
#pragma once

#include <curl/curl.h>

#include <string_view>

#include "core/options.h"
#include "core/state.h"
#include "core/transfer.h"

namespace trawl {

// Takes one response header line (as the transfer library hands it over,
// its line end included) for what it says of the next page: the cursor of
// x-dribble-cursor and the report of x-dribble-errors. A status line, which
// begins a new response, forgets what an earlier one said.
void page_header(page_state& page, std::string_view line);

// Counts one record line of the page being fetched.
void page_count_record(fetch& f, std::string_view line);

// Called once the transfer of a page of f has ended and been reported. True
// when another page is asked: the fetch goes on, and its query has not
// ended. False when the answer has ended, complete, cut by the output limit,
// or incomplete (the query's status then says why, and the run has failed).
bool page_ended(const run_options& opts, run_state& state, fetch& f, CURLcode result);

}  // namespace trawl
