// The origin-AS annotation of the values of A records (-a).
#pragma once

#include "core/present.h"
#include "support/asinfo.h"

namespace trawl {

// Nothing unless lookups are on (as is not null) and the type is exactly "A".
asinfo_result asinfo_from_rr(as_annotation* as, const char* rrtype, const char* rdata);

}  // namespace trawl
