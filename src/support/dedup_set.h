// Fixed-bucket set of strings, used to print each minimal value once.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace trawl {

struct dedup_entry {
  std::unique_ptr<dedup_entry> next;
  std::string text;
};

struct dedup_set {
  uint64_t bucket_count = 0;
  std::vector<std::unique_ptr<dedup_entry>> heads;
  ~dedup_set();
};

std::unique_ptr<dedup_set> dedup_set_new(uint64_t buckets);

// 1 when the string was already present; 0 when it was not and has been added.
int dedup_set_add(dedup_set& set, const char* text);

void dedup_set_dump(const dedup_set& set, FILE* out);

void dedup_set_destroy(std::unique_ptr<dedup_set>& set);

// The times-33 hash, exposed for tests of bucket placement.
uint64_t dedup_set_hash(const char* text);

}  // namespace trawl
