// Sort keys and the sort child.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace trawl {

struct fetch;
struct pdns_tuple;

struct sort_key {
  std::string name;      // as typed
  std::string argument;  // passed to the sort program, direction included
};

inline constexpr int max_sort_keys = 7;

const char* sort_key_add(const char* name);
const sort_key* sort_key_find(const char* name);
void sort_key_defaults();
void sort_keys_free();
int sort_key_count();
const sort_key& sort_key_at(int i);

// Writes the record's sort line, with the raw line as its last field, to the
// sort child of the fetch's writer; 1 (a record went out).
int sort_line_write(fetch& f, const pdns_tuple& tup, std::string_view line);

}  // namespace trawl
