// The origin-AS annotation of the values of A records (-a).
#pragma once

#include "core/options.h"
#include "support/asinfo.h"

namespace trawl {

struct run_state;

// Nothing unless AS lookups are on and the type is exactly "A".
asinfo_result asinfo_from_rr(const run_options& opts, run_state& state, const char* rrtype,
                             const char* rdata);

}  // namespace trawl
