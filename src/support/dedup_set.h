// Set of strings that grows with its contents, used to print each minimal
// value once.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <vector>

namespace trawl {

// An open-addressing table (linear probing, a power-of-two number of slots)
// over an arena of strings. A slot holds the upper half of the mixed hash,
// which gives both its home slot and a cheap filter before comparing bytes,
// and where the string starts in the arena. Strings are packed with their NUL
// into large blocks, so a value costs its bytes plus one slot share.
struct dedup_slot {
  uint32_t tag;  // upper 32 bits of the mixed hash
  uint32_t ref;  // arena position in granules, plus one; 0 marks an empty slot
};

struct dedup_set {
  std::vector<dedup_slot> slots;
  unsigned slot_bits = 0;  // log2 of slots.size()
  uint64_t count = 0;
  // Arena positions are counted in granules over consecutive blocks of equal
  // size; a string longer than a block takes a larger block of its own and the
  // block numbers it spans.
  std::vector<std::unique_ptr<char[]>> blocks;
  uint64_t next_granule = 0;
};

// buckets is the initial number of slots, rounded up to a power of two.
std::unique_ptr<dedup_set> dedup_set_new(uint64_t buckets);

// 1 when the string was already present; 0 when it was not and has been added.
int dedup_set_add(dedup_set& set, const char* text);

// One line per occupied slot, in slot order: "[index] \"text\".".
void dedup_set_dump(const dedup_set& set, FILE* out);

void dedup_set_destroy(std::unique_ptr<dedup_set>& set);

// The times-33 string hash over unsigned bytes, from 5381, wrapping.
uint64_t dedup_set_hash(const char* text);

}  // namespace trawl
