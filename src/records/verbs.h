// The verb table: each verb with its presenter per presentation format.
#pragma once

#include "core/verb.h"

namespace trawl {

// Ends with an all-empty row; the first row (lookup) is the default.
extern const verb verbs[];

// The row whose name equals text ignoring case, or nullptr.
const verb* find_verb(const char* text);

}  // namespace trawl
