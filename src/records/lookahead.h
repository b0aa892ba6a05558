// Records in arrival order, each shown as soon as the origin-AS lookups of
// its values are answered (-a): a writer holds back a record that waits for
// a lookup, and every record behind it, while the lookups run concurrently
// in the pool. Without -a, or for a presenter that shows no annotation,
// every record is presented at once, as it would be without this module.
#pragma once

#include <cstddef>
#include <string_view>

#include "core/state.h"
#include "core/transfer.h"

namespace trawl {

struct pdns_tuple;

// Records a writer holds back at most: a slow zone must not let memory grow
// with the answer. The oldest is shown, waiting for it, to make room.
inline constexpr size_t lookahead_limit = 4096;

// Presents the decoded record now, or holds back its line (as received, the
// framing included) when it, or a record before it, waits for a lookup.
void lookahead_present(writer& wr, const pdns_tuple& tup, std::string_view line,
                       const query_detail* detail);

// Presents the held records whose lookups are answered, oldest first, up to
// the first that still waits; never waits itself.
void lookahead_present_ready(writer& wr);

// Presents every held record, waiting for the lookups. Whatever follows the
// records of a writer (framing, status reports, its end) comes after this.
void lookahead_drain(writer& wr);

// lookahead_present_ready for every writer of the run.
void lookahead_present_ready_all(run_state& state);

// The descriptor to wait on along with others while some writer of the run
// holds records: readable when answers have come in; -1 otherwise.
int lookahead_wait_fd(const run_state& state);

// Waits until fd can be read, presenting held records as their answers come
// in meanwhile.
void lookahead_await_input(writer& wr, int fd);

}  // namespace trawl
