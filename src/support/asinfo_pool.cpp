#include "support/asinfo_pool.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <iterator>
#include <list>
#include <mutex>
#include <system_error>

#include "support/file_handles.h"

namespace trawl {

namespace {

struct asinfo_job {
  std::string qname;
  asinfo_answer answer;
};

}  // namespace

// What the pool and its workers share. A job is a list node made by the
// requesting thread and spliced from list to list, so that a worker never
// allocates outside the lookup itself. Workers hold this record too: one
// still inside a slow lookup when the pool goes finishes on its own.
struct asinfo_pool_shared {
  std::mutex mutex;
  std::condition_variable wake;
  std::list<asinfo_job> queue;  // waiting for a worker
  std::list<asinfo_job> done;   // answered, not yet in the cache
  size_t idle = 0;              // workers waiting for a job
  bool stopping = false;
  unique_fd ready;  // an eventfd, counted up with every job done
};

namespace {

// Where the running lookup's TXT strings go: the trace is a plain function,
// and each worker runs one lookup at a time.
thread_local std::vector<asinfo_txt>* txt_sink = nullptr;

void keep_txt(int index, std::string_view text) {
  txt_sink->push_back({index, std::string(text)});
}

void run_job(asinfo_job& job, asinfo_resolver& resolver, asinfo_lookup lookup) noexcept {
  txt_sink = &job.answer.txt;
  try {
    job.answer.result = lookup(resolver, job.qname, keep_txt);
  } catch (...) {
    // No exception may leave a worker. The text fits a string without
    // allocating.
    job.answer.result = asinfo_result{};
    job.answer.result.comment.emplace("out of memory");
  }
  txt_sink = nullptr;
}

void signal_ready(int fd) {
  uint64_t one = 1;
  // Fails only when the counter would overflow, which leaves it readable.
  [[maybe_unused]] ssize_t n = write(fd, &one, sizeof one);
}

void worker_main(std::shared_ptr<asinfo_pool_shared> shared, asinfo_lookup lookup) noexcept {
  asinfo_resolver resolver;
  std::unique_lock lock(shared->mutex);
  for (;;) {
    shared->wake.wait(lock, [&] { return shared->stopping || !shared->queue.empty(); });
    if (shared->stopping) return;
    std::list<asinfo_job> mine;
    mine.splice(mine.begin(), shared->queue, shared->queue.begin());
    shared->idle--;
    lock.unlock();
    run_job(mine.front(), resolver, lookup);
    lock.lock();
    shared->idle++;
    shared->done.splice(shared->done.end(), mine);
    signal_ready(shared->ready.get());
  }
}

// Null when no descriptor can be had: lookups then run in the caller's thread.
std::shared_ptr<asinfo_pool_shared> make_shared_part() {
  unique_fd ready(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
  if (!ready) return nullptr;
  auto shared = std::make_shared<asinfo_pool_shared>();
  shared->ready = std::move(ready);
  return shared;
}

// A worker when the jobs waiting outnumber the idle ones and the width allows;
// false when a job would be left with no worker at all.
bool staff(asinfo_pool& pool) {
  asinfo_pool_shared& shared = *pool.shared;
  {
    std::lock_guard lock(shared.mutex);
    if (shared.idle >= shared.queue.size() || pool.workers.size() >= pool.width) return true;
    // Counted idle before it runs, so that the next request sees it.
    shared.idle++;
  }
  try {
    pool.workers.emplace_back(worker_main, pool.shared, pool.lookup);
  } catch (const std::system_error&) {
    std::lock_guard lock(shared.mutex);
    shared.idle--;
    return !pool.workers.empty();
  }
  return true;
}

// The newest answer of a name, as the most recently used.
void keep(asinfo_pool& pool, std::string qname, asinfo_answer answer) {
  if (auto found = pool.cache.find(qname); found != pool.cache.end()) {
    found->second->answer = std::move(answer);
    pool.recency.splice(pool.recency.end(), pool.recency, found->second);
    return;
  }
  pool.recency.push_back({std::move(qname), std::move(answer)});
  const auto newest = std::prev(pool.recency.end());
  pool.cache.emplace(newest->qname, newest);
}

size_t collect(asinfo_pool& pool) {
  asinfo_pool_shared& shared = *pool.shared;
  uint64_t count;
  // Reset before taking the list: an answer that arrives in between leaves
  // the descriptor readable, so none is overlooked.
  [[maybe_unused]] ssize_t n = read(shared.ready.get(), &count, sizeof count);
  std::list<asinfo_job> done;
  {
    std::lock_guard lock(shared.mutex);
    done.swap(shared.done);
  }
  for (asinfo_job& job : done) {
    pool.pending.erase(job.qname);
    keep(pool, std::move(job.qname), std::move(job.answer));
  }
  return done.size();
}

void lookup_inline(asinfo_pool& pool, const std::string& qname) {
  asinfo_job job{qname, {}};
  run_job(job, pool.inline_resolver, pool.lookup);
  keep(pool, qname, std::move(job.answer));
}

// Drops the answers used least recently until there is room for one more
// name beside those in flight.
void make_room(asinfo_pool& pool) {
  while (!pool.recency.empty() && pool.cache.size() + pool.pending.size() >= pool.capacity) {
    pool.cache.erase(pool.recency.front().qname);
    pool.recency.pop_front();
  }
}

}  // namespace

asinfo_pool::asinfo_pool(size_t width_, asinfo_lookup lookup_)
    : width(width_ == 0 ? 1 : width_), lookup(lookup_) {}

asinfo_pool::~asinfo_pool() {
  if (!shared) return;
  bool all_idle;
  {
    std::lock_guard lock(shared->mutex);
    shared->stopping = true;
    shared->queue.clear();
    all_idle = shared->idle == workers.size();
  }
  shared->wake.notify_all();
  // A lookup cannot be interrupted, and one against a silent server takes
  // the resolver's whole time-out: the run does not wait for it.
  for (std::thread& worker : workers) {
    if (all_idle)
      worker.join();
    else
      worker.detach();
  }
}

void asinfo_pool_request(asinfo_pool& pool, const std::string& qname) {
  if (pool.cache.contains(qname) || pool.pending.contains(qname)) return;
  make_room(pool);
  if (!pool.shared) pool.shared = make_shared_part();
  if (!pool.shared) {
    lookup_inline(pool, qname);
    return;
  }
  std::list<asinfo_job> job;
  job.push_back({qname, {}});
  pool.pending.insert(qname);
  {
    std::lock_guard lock(pool.shared->mutex);
    pool.shared->queue.splice(pool.shared->queue.end(), job);
  }
  if (staff(pool)) {
    pool.shared->wake.notify_one();
    return;
  }
  // No thread to be had: take the job back and answer it here.
  {
    std::lock_guard lock(pool.shared->mutex);
    job.splice(job.begin(), pool.shared->queue, std::prev(pool.shared->queue.end()));
  }
  pool.pending.erase(qname);
  lookup_inline(pool, qname);
}

const asinfo_answer* asinfo_pool_find(asinfo_pool& pool, const std::string& qname) {
  auto found = pool.cache.find(qname);
  if (found == pool.cache.end()) return nullptr;
  pool.recency.splice(pool.recency.end(), pool.recency, found->second);
  return &found->second->answer;
}

size_t asinfo_pool_wait(asinfo_pool& pool, int timeout_ms) {
  if (!pool.shared) return 0;
  using clock = std::chrono::steady_clock;
  const auto deadline = clock::now() + std::chrono::milliseconds(timeout_ms);
  for (;;) {
    size_t arrived = collect(pool);
    if (arrived > 0 || pool.pending.empty()) return arrived;
    int wait_ms = -1;
    if (timeout_ms >= 0) {
      auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - clock::now()).count();
      if (left <= 0) return 0;
      wait_ms = static_cast<int>(left);
    }
    pollfd pfd{pool.shared->ready.get(), POLLIN, 0};
    if (poll(&pfd, 1, wait_ms) < 0 && errno != EINTR) return 0;
  }
}

size_t asinfo_pool_pending(const asinfo_pool& pool) {
  return pool.pending.size();
}

const asinfo_answer& asinfo_pool_get(asinfo_pool& pool, const std::string& qname) {
  const asinfo_answer* answer;
  while ((answer = asinfo_pool_find(pool, qname)) == nullptr) {
    // Asked again if it was dropped since it was asked.
    asinfo_pool_request(pool, qname);
    asinfo_pool_wait(pool, -1);
  }
  return *answer;
}

int asinfo_pool_fd(const asinfo_pool& pool) {
  return pool.shared ? pool.shared->ready.get() : -1;
}

void asinfo_answer_trace(const asinfo_answer& answer, asinfo_trace trace) {
  for (const asinfo_txt& txt : answer.txt) trace(txt.index, txt.text);
}

}  // namespace trawl
