// The usage text (-h) and the version line (-v).
#pragma once

#include <string>

#include "core/options.h"

namespace trawl {

// The -D zone shown is the one in force when -h was met.
std::string usage_text(const run_options& opts);

std::string version_text(const run_options& opts);

}  // namespace trawl
