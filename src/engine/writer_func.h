// The path of received bytes: cut into lines, decoded, framed, and handed to
// the sort child or the presenter.
#pragma once

#include <cstddef>
#include <string_view>

#include "core/options.h"
#include "core/state.h"
#include "core/transfer.h"

namespace trawl {

// The transfer library's write callback; userdata is the fetch. Never lets
// an exception through: a failure is kept in the engine, and the transfer
// is ended, for the engine to rethrow.
size_t writer_func(char* data, size_t size, size_t count, void* userdata);

// Takes bytes of the fetch's body as writer_func does, throwing instead;
// returns the bytes taken, 0 when the stream has ended for this program
// (output limit, or a line past the bound).
size_t writer_deliver(fetch& f, const char* data, size_t size, size_t count);

// Reports a response whose code was not 200, from the start of its body
// kept in the fetch's buffer: the query's status and message, a warning
// unless quiet, and a failed run unless the system calls it no error.
void http_error(const run_options& opts, run_state& state, fetch& f);

// Handles one complete line of a fetch's body, without its newline; 1 when
// a record went out.
int data_blob(fetch& f, std::string_view line);

// Presents a decoded record through the writer, or writes its sort line:
// what data_blob does with a record it keeps. detail is its query's.
int present_record(writer& wr, const pdns_tuple& tup, std::string_view line,
                   const query_detail* detail);

// Says how many refused lines of the fetch were not reported one by one.
void report_refused_lines(const fetch& f);

}  // namespace trawl
