#include "sort/sort_keys.h"

#include <strings.h>

#include <utility>

namespace trawl {

namespace {

struct key_row {
  const char* name;
  const char* argument;
};

// Field numbers follow the sort line: first, last, duration, count, name, type, data.
// Each key ends at its own field, or it would run to the end of the line and
// leave every key after it without effect.
constexpr key_row key_table[] = {
    {"first", "-k1,1n"}, {"last", "-k2,2n"}, {"duration", "-k3,3n"}, {"count", "-k4,4n"},
    {"name", "-k5,5"},   {"type", "-k6,6"},  {"data", "-k7,7"},
};

// The record text, field 8 to the end of the line. The sort program runs with
// -u, which keeps one of the lines equal on every key: with this last key only
// exact repeats of a record are equal, never two records alike on fields 1-7.
constexpr const char* record_key = "-k8";

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

std::vector<std::string> sort_key_arguments(const run_options& opts) {
  std::vector<std::string> args;
  for (const sort_key& key : opts.sort_keys) args.push_back(key.argument);
  std::string last = record_key;
  if (opts.sorting == sort_mode::descending) last += 'r';
  args.push_back(std::move(last));
  return args;
}

void sort_key_defaults(run_options& opts) {
  for (const key_row& row : key_table) {
    if (opts.sort_keys.size() >= max_sort_keys) break;
    if (sort_key_find(opts, row.name) == nullptr) sort_key_add(opts, row.name);
  }
}

}  // namespace trawl
