// The verb table: each verb with its presenter per presentation format.
#pragma once

#include <span>

#include "core/verb.h"

namespace trawl {

// The first row (lookup) is the default.
extern const std::span<const verb> verbs;

// The row whose name equals text ignoring case, or nullptr.
const verb* find_verb(const char* text);

}  // namespace trawl
