// Analysis of DNS names in presentation form, and the owner-name transforms.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace trawl {

// The C locale's letters and digits, spelled out so no locale can widen them.
// The sortable name encoding keeps exactly the characters counted in nalnum.
inline bool is_ascii_alnum(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
}

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

// Writes the "-0 countoff" report line to standard output.
void countoff_report(const char* caller, const char* name, const counted& c);

}  // namespace trawl
