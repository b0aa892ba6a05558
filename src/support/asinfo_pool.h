// AS lookups run ahead of the records that show them: a few threads, each
// with a resolver state of its own, answer query names concurrently, and a
// cache keeps the answers of the names used most recently, so that an address
// shown a thousand times is asked for once while memory stays bounded however
// many addresses a run sees. An answer evicted and needed again is asked again.
#pragma once

#include <cstddef>
#include <list>
#include <memory>
#include <string>
#include <string_view>
#include <thread>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "support/asinfo.h"

namespace trawl {

// One TXT character-string as the lookup read it.
struct asinfo_txt {
  int index;  // within its TXT record, from 0
  std::string text;
};

// A lookup's outcome: the result, and every TXT string read on the way, so
// that the lookup's debug trace can be shown with each record that uses the
// answer, however long after the lookup that is.
struct asinfo_answer {
  asinfo_result result;
  std::vector<asinfo_txt> txt;
};

// What a worker runs for one name. asinfo_from_dns asks the DNS; tests hand
// in answers of their own.
using asinfo_lookup = asinfo_result (*)(asinfo_resolver& resolver, const std::string& qname,
                                        asinfo_trace trace);

inline constexpr size_t asinfo_pool_default_width = 32;
// About 25 MB of answers.
inline constexpr size_t asinfo_cache_default_size = 65536;

struct asinfo_pool_shared;

// One name's answer in the cache.
struct asinfo_cached {
  std::string qname;
  asinfo_answer answer;
};

// The fields are the pool's own; use the functions below. A failed lookup is
// cached as its comment like any other answer: it is not asked again while
// it stays in the cache.
struct asinfo_pool {
  explicit asinfo_pool(size_t width = asinfo_pool_default_width,
                       asinfo_lookup lookup = asinfo_from_dns);
  ~asinfo_pool();
  asinfo_pool(const asinfo_pool&) = delete;
  asinfo_pool& operator=(const asinfo_pool&) = delete;

  size_t width;  // lookups in flight at most
  asinfo_lookup lookup;
  // Answers kept at most, together with the lookups in flight; set before
  // the first request.
  size_t capacity = asinfo_cache_default_size;
  std::list<asinfo_cached> recency;  // least recently used first
  std::unordered_map<std::string_view, std::list<asinfo_cached>::iterator> cache;  // by qname
  std::unordered_set<std::string> pending;  // requested, not yet answered
  // Made with the first request. Without it (no descriptor or no thread to
  // be had) lookups are made one at a time as they are requested.
  std::shared_ptr<asinfo_pool_shared> shared;
  std::vector<std::thread> workers;
  asinfo_resolver inline_resolver;  // for those lookups made in the caller's thread
};

// Starts a lookup of the name unless it is answered or pending already; it
// waits in line while `width` lookups are in flight. To make room, the
// answers used least recently are dropped first.
void asinfo_pool_request(asinfo_pool& pool, const std::string& qname);

// The name's answer, which counts as used now, or nullptr while it is
// pending (or was never requested, or was dropped). The answer stays where
// it is until the next request.
const asinfo_answer* asinfo_pool_find(asinfo_pool& pool, const std::string& qname);

// Moves the answers that have come in into the cache, waiting up to
// `timeout_ms` (negative: without end) for the first one while lookups are
// pending. Returns how many came in; 0 at once when nothing is pending.
size_t asinfo_pool_wait(asinfo_pool& pool, int timeout_ms);

// Requested names not answered yet.
size_t asinfo_pool_pending(const asinfo_pool& pool);

// The name's answer, requested and waited for if need be.
const asinfo_answer& asinfo_pool_get(asinfo_pool& pool, const std::string& qname);

// A descriptor that turns readable when answers have come in (then call
// asinfo_pool_wait with 0), for a caller that waits on other descriptors
// too; -1 before the first request, or when lookups run in the caller's
// thread. Only ever polled for reading, never read by the caller.
int asinfo_pool_fd(const asinfo_pool& pool);

// Shows the answer's TXT strings through `trace` again, in the order read.
void asinfo_answer_trace(const asinfo_answer& answer, asinfo_trace trace);

}  // namespace trawl
