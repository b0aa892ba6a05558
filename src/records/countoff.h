// Analysis of DNS names in presentation form, and the owner-name transforms.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "support/ascii.h"

namespace trawl {

// nalnum counts what is_ascii_alnum accepts: the sortable name encoding keeps
// exactly those characters.
struct counted {
  int nlabel = 0;
  size_t nchar = 0;
  size_t nalnum = 0;
  std::vector<size_t> lens;  // one per label, leftmost first, each with its ending dot
};

// Returned by value: the lens vector is the result's single allocation.
counted countoff(const char* name);

std::string reverse_name(const char* name);

std::string transform_rrname(std::string copy, bool reverse, bool chomp);

// The "-0 countoff" report line, newline included.
std::string countoff_report(const char* caller, const char* name, const counted& c);

}  // namespace trawl
