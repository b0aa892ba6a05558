#include "support/dedup_set.h"

#include <cstring>
#include <new>
#include <utility>

namespace trawl {

namespace {

// Strings start on 4-byte boundaries so that a 32-bit reference reaches 16 GiB
// of text; the padding costs 1.5 bytes per value on average.
constexpr uint64_t granule_bytes = 4;
constexpr uint64_t block_granules = uint64_t{1} << 16;  // 256 KiB blocks
constexpr uint64_t max_ref = UINT32_MAX;

// Fibonacci hashing: the times-33 hash of names that differ only in their last
// characters are neighbours, and taking its low bits as the slot would pile
// them into one run of the probe sequence.
uint32_t slot_tag(uint64_t hash) {
  return static_cast<uint32_t>((hash * 0x9E3779B97F4A7C15u) >> 32);
}

uint64_t home_slot(uint32_t tag, unsigned bits) {
  return uint64_t{tag} >> (32 - bits);
}

uint64_t hash_and_length(const char* text, size_t& length) {
  uint64_t hash = 5381;
  const unsigned char* p = reinterpret_cast<const unsigned char*>(text);
  for (; *p != '\0'; ++p) hash = hash * 33 + *p;
  length = static_cast<size_t>(p - reinterpret_cast<const unsigned char*>(text));
  return hash;
}

const char* arena_text(const dedup_set& set, uint32_t ref) {
  uint64_t granule = ref - 1;
  return set.blocks[granule / block_granules].get() + (granule % block_granules) * granule_bytes;
}

// Copies the string with its NUL into the arena and returns its reference.
uint32_t arena_store(dedup_set& set, const char* text, size_t length) {
  uint64_t granules = (length + granule_bytes) / granule_bytes;
  uint64_t used = set.next_granule % block_granules;
  if (used != 0 && used + granules > block_granules) set.next_granule += block_granules - used;
  uint64_t start = set.next_granule;
  if (start % block_granules == 0) {
    // A string longer than a block gets one of its own, and the block numbers
    // it covers hold nothing so that positions still map to blocks by division.
    uint64_t span = (granules + block_granules - 1) / block_granules;
    if (start + span * block_granules > max_ref) throw std::bad_alloc();
    uint64_t size = span > 1 ? granules : block_granules;
    set.blocks.push_back(std::make_unique_for_overwrite<char[]>(size * granule_bytes));
    for (uint64_t i = 1; i < span; ++i) set.blocks.emplace_back();
    if (span > 1) granules = span * block_granules;
  }
  char* to = set.blocks[start / block_granules].get() + (start % block_granules) * granule_bytes;
  std::memcpy(to, text, length + 1);
  set.next_granule = start + granules;
  return static_cast<uint32_t>(start + 1);
}

uint64_t free_slot(const std::vector<dedup_slot>& slots, unsigned bits, uint32_t tag) {
  uint64_t mask = slots.size() - 1;
  uint64_t i = home_slot(tag, bits);
  while (slots[i].ref != 0) i = (i + 1) & mask;
  return i;
}

// Doubles the table. The tag holds the home slot for every size up to 2^32
// slots, so moving an entry never touches its string.
void grow(dedup_set& set) {
  if (set.slot_bits >= 32) throw std::bad_alloc();
  unsigned bits = set.slot_bits + 1;
  std::vector<dedup_slot> slots(uint64_t{1} << bits);
  for (const dedup_slot& slot : set.slots) {
    if (slot.ref != 0) slots[free_slot(slots, bits, slot.tag)] = slot;
  }
  set.slots = std::move(slots);
  set.slot_bits = bits;
}

}  // namespace

uint64_t dedup_set_hash(const char* text) {
  size_t length = 0;
  return hash_and_length(text, length);
}

// Out of memory throws std::bad_alloc, which ends the run as a panic.
std::unique_ptr<dedup_set> dedup_set_new(uint64_t buckets) {
  auto set = std::make_unique<dedup_set>();
  while (set->slot_bits < 32 && (uint64_t{1} << set->slot_bits) < buckets) ++set->slot_bits;
  set->slots.resize(uint64_t{1} << set->slot_bits);
  return set;
}

int dedup_set_add(dedup_set& set, const char* text) {
  size_t length = 0;
  uint32_t tag = slot_tag(hash_and_length(text, length));
  uint64_t mask = set.slots.size() - 1;
  uint64_t i = home_slot(tag, set.slot_bits);
  for (; set.slots[i].ref != 0; i = (i + 1) & mask) {
    const dedup_slot& slot = set.slots[i];
    if (slot.tag == tag && std::strcmp(arena_text(set, slot.ref), text) == 0) return 1;
  }
  // At most three quarters full keeps probe runs short, and leaves an empty
  // slot for every probe to stop at.
  if ((set.count + 1) * 4 > set.slots.size() * 3) {
    grow(set);
    i = free_slot(set.slots, set.slot_bits, tag);
  }
  set.slots[i] = dedup_slot{tag, arena_store(set, text, length)};
  ++set.count;
  return 0;
}

void dedup_set_dump(const dedup_set& set, FILE* out) {
  for (size_t i = 0; i < set.slots.size(); ++i) {
    if (set.slots[i].ref == 0) continue;
    std::fprintf(out, "[%zu] \"%s\".\n", i, arena_text(set, set.slots[i].ref));
  }
}

void dedup_set_destroy(std::unique_ptr<dedup_set>& set) {
  set.reset();
}

}  // namespace trawl
