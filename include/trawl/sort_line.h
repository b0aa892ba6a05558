// Cutting a line of the sort child's output back into its record text.
#pragma once

#include <string_view>

namespace trawl {

// line is one sorted line without its newline. On success sets *record to
// the text after the seventh field separator and returns nullptr; otherwise
// returns the printf format of the warning, which takes the line as %s.
const char* sort_line_split(std::string_view line, std::string_view* record);

}  // namespace trawl
