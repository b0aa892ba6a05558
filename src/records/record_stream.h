// The record side of the streaming framing: condition lines that begin and
// end a stream, keepalives, and the records carried between them.
#pragma once

#include "core/transfer.h"

namespace trawl {

struct pdns_tuple;

// Applies one decoded line of a framed stream to its fetch's condition;
// true when the line carries a record to present.
bool pdns_blob(fetch& f, const pdns_tuple& tup);

// True when the record lies in the time window of qp as the request keys
// express it elsewhere: overlapping it, or within it when matching is
// complete. A record without the time a bound needs is kept.
bool window_keeps(const qparam& qp, const pdns_tuple& tup);

// True for the conditions after which a framed stream has nothing more to say.
bool ends_stream(saf_cond cond);

}  // namespace trawl
