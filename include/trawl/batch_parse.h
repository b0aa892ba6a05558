// The grammar of batch query lines.
#pragma once

#include <string>

#include "trawl/qparam.h"

namespace trawl {

// Fills qd from a line such as "rrset/name/NAME/A,NS/zone"; returns the
// parse error text, or nullptr.
const char* batch_parse(const std::string& line, qdesc& qd);

}  // namespace trawl
