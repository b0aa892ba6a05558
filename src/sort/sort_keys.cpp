#include "sort/sort_keys.h"

#include <strings.h>

namespace trawl {

namespace {

struct key_row {
  const char* name;
  const char* argument;
};

// Field numbers follow the sort line: first, last, duration, count, name, type, data.
constexpr key_row key_table[] = {
    {"first", "-k1n"}, {"last", "-k2n"}, {"duration", "-k3n"}, {"count", "-k4n"},
    {"name", "-k5"},   {"type", "-k6"},  {"data", "-k7"},
};

}  // namespace

const char* sort_key_add(run_options& opts, const char* name) {
  if (opts.sort_keys.size() >= max_sort_keys) return "too many sort keys given.";
  for (const key_row& row : key_table) {
    if (strcasecmp(row.name, name) == 0) {
      std::string argument = row.argument;
      if (opts.sorting == sort_mode::descending) argument += 'r';
      opts.sort_keys.push_back(sort_key{name, std::move(argument)});
      return nullptr;
    }
  }
  return "key must be in first|last|duration|count|name|type|data";
}

std::vector<const char*> sort_key_names() {
  std::vector<const char*> names;
  for (const key_row& row : key_table) names.push_back(row.name);
  return names;
}

const sort_key* sort_key_find(const run_options& opts, const char* name) {
  for (const sort_key& k : opts.sort_keys)
    if (k.name == name) return &k;
  return nullptr;
}

void sort_key_defaults(run_options& opts) {
  for (const key_row& row : key_table) {
    if (opts.sort_keys.size() >= max_sort_keys) break;
    if (sort_key_find(opts, row.name) == nullptr) sort_key_add(opts, row.name);
  }
}

}  // namespace trawl
