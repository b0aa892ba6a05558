// The -h text.
#pragma once

namespace trawl {

void print_usage();

}  // namespace trawl
