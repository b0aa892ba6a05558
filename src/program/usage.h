// The usage text (-h).
#pragma once

#include "core/options.h"

namespace trawl {

void print_usage(const run_options& opts);

}  // namespace trawl
