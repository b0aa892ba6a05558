#include <strings.h>

#include <vector>

#include "trawl/settings.h"
#include "trawl/sort.h"

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

std::vector<sort_key> keys;

}  // namespace

const char* sort_key_add(const char* name) {
  if (keys.size() >= max_sort_keys) return "too many sort keys given.";
  for (const key_row& row : key_table) {
    if (strcasecmp(row.name, name) == 0) {
      std::string argument = row.argument;
      if (sorting == sort_descending) argument += 'r';
      keys.push_back(sort_key{name, std::move(argument)});
      return nullptr;
    }
  }
  return "key must be in first|last|duration|count|name|type|data";
}

const sort_key* sort_key_find(const char* name) {
  for (const sort_key& k : keys)
    if (k.name == name) return &k;
  return nullptr;
}

void sort_key_defaults() {
  for (const key_row& row : key_table) {
    if (keys.size() >= max_sort_keys) break;
    if (sort_key_find(row.name) == nullptr) sort_key_add(row.name);
  }
}

void sort_keys_free() {
  keys.clear();
}

int sort_key_count() {
  return static_cast<int>(keys.size());
}

const sort_key& sort_key_at(int i) {
  return keys.at(static_cast<size_t>(i));
}

}  // namespace trawl
