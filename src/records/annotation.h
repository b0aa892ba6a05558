// The origin-AS annotation of the values of A records (-a).
#pragma once

#include <optional>
#include <string>

#include "core/present.h"
#include "support/asinfo.h"

namespace trawl {

// The name asked for a record data value: nothing unless lookups are on (as
// is not null), the type is exactly "A" and the value is an IPv4 address.
std::optional<std::string> asinfo_name_of(const as_annotation* as, const char* rrtype,
                                          const char* rdata);

// The value's annotation, asked of the pool and waited for unless it is
// known already. The debug trace is that of a lookup made right here: the
// name, then each TXT string the answer held, for every value shown.
asinfo_result asinfo_from_rr(as_annotation* as, const char* rrtype, const char* rdata);

}  // namespace trawl
