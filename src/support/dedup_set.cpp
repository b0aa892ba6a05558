#include "support/dedup_set.h"

#include <cstring>
#include <utility>

namespace trawl {

namespace {

// Unlinks one node at a time: letting the head's destructor run would recurse
// once per entry through the unique_ptr chain.
void free_chain(std::unique_ptr<dedup_entry>& head) {
  while (head != nullptr) head = std::move(head->next);
}

}  // namespace

dedup_set::~dedup_set() {
  for (auto& head : heads) free_chain(head);
}

uint64_t dedup_set_hash(const char* text) {
  uint64_t hash = 5381;
  for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p != '\0'; ++p) {
    hash = hash * 33 + *p;
  }
  return hash;
}

// Out of memory is not reported: std::bad_alloc escapes from here and, since
// nothing in the program catches it, ends the run through std::terminate (abort).
std::unique_ptr<dedup_set> dedup_set_new(uint64_t buckets) {
  auto set = std::make_unique<dedup_set>();
  // Zero buckets would make every lookup a division by zero.
  set->bucket_count = buckets > 0 ? buckets : 1;
  set->heads.resize(set->bucket_count);
  return set;
}

int dedup_set_add(dedup_set& set, const char* text) {
  std::unique_ptr<dedup_entry>& head = set.heads[dedup_set_hash(text) % set.bucket_count];
  for (const dedup_entry* entry = head.get(); entry != nullptr; entry = entry->next.get()) {
    if (entry->text == text) return 1;
  }
  auto entry = std::make_unique<dedup_entry>();
  entry->text = text;
  entry->next = std::move(head);
  head = std::move(entry);
  return 0;
}

void dedup_set_dump(const dedup_set& set, FILE* out) {
  for (size_t i = 0; i < set.heads.size(); ++i) {
    const dedup_entry* entry = set.heads[i].get();
    if (entry == nullptr) continue;
    std::fprintf(out, "[%zu]", i);
    for (; entry != nullptr; entry = entry->next.get()) {
      std::fprintf(out, " \"%s\"", entry->text.c_str());
    }
    std::fputs(".\n", out);
  }
}

void dedup_set_destroy(std::unique_ptr<dedup_set>& set) {
  set.reset();
}

}  // namespace trawl
