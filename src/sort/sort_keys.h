// The sort keys: which fields of the sort line the sort program compares.
#pragma once

#include <string>
#include <vector>

#include "core/options.h"

namespace trawl {

// Appends the key called name (ignoring case), its direction following the
// sorting mode in force; an error text, or nullptr.
const char* sort_key_add(run_options& opts, const char* name);

// The key typed exactly as name, or nullptr.
const sort_key* sort_key_find(const run_options& opts, const char* name);

// The key names, in field order.
std::vector<const char*> sort_key_names();

// The key arguments of the sort program: the keys in list order, then one
// more on the record text (following the direction in force) so that only
// exact repeats are dropped; that one is not among the user's keys.
std::vector<std::string> sort_key_arguments(const run_options& opts);

// Appends every key not given yet, in field order, up to the limit.
void sort_key_defaults(run_options& opts);

}  // namespace trawl
