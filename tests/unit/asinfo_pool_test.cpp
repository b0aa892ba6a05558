#include "support/asinfo_pool.h"

#include <gtest/gtest.h>
#include <poll.h>

#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace trawl {
namespace {

// A DNS response holding one TXT record of these strings.
std::vector<unsigned char> txt_answer(const std::vector<std::string>& strings) {
  std::vector<unsigned char> m = {0x12, 0x34, 0x81, 0x80, 0, 1, 0, 1, 0, 0, 0, 0};
  for (const char* label : {"1", "2", "0", "192", "asn", "test"}) {
    m.push_back(static_cast<unsigned char>(std::string(label).size()));
    m.insert(m.end(), label, label + std::string(label).size());
  }
  m.insert(m.end(), {0, 0, 16, 0, 1});
  std::vector<unsigned char> rdata;
  for (const std::string& s : strings) {
    rdata.push_back(static_cast<unsigned char>(s.size()));
    rdata.insert(rdata.end(), s.begin(), s.end());
  }
  m.insert(m.end(), {0xc0, 0x0c, 0, 16, 0, 1, 0, 0, 0x0e, 0x10, 0,
                     static_cast<unsigned char>(rdata.size())});
  m.insert(m.end(), rdata.begin(), rdata.end());
  return m;
}

// The fake resolver: answers by name, counts questions and lookups in
// flight, and holds every lookup while the gate is shut.
struct fake_dns {
  std::mutex mutex;
  std::condition_variable changed;
  bool gate_open = true;
  int in_flight = 0;
  int most_in_flight = 0;
  std::map<std::string, int> questions;
};
fake_dns* fake = nullptr;

asinfo_result fake_lookup(asinfo_resolver&, const std::string& qname, asinfo_trace trace) {
  // Its own test's fake, even if the worker is left behind by its pool.
  fake_dns* f = fake;
  {
    std::unique_lock lock(f->mutex);
    f->questions[qname]++;
    f->most_in_flight = std::max(f->most_in_flight, ++f->in_flight);
    f->changed.notify_all();
    f->changed.wait(lock, [f] { return f->gate_open; });
    f->in_flight--;
  }
  if (qname.starts_with("throw")) throw std::runtime_error("lookup failed");
  if (qname.starts_with("fail")) {
    asinfo_result failed;
    failed.comment = "Host name lookup failure";
    return failed;
  }
  std::vector<unsigned char> answer =
      qname.starts_with("three")
          ? txt_answer({"64497", "192.0.2.0", "24"})
          : txt_answer({"64496 | 192.0.2.0/24 | XX | registry | 2020-01-01"});
  return asinfo_from_answer(answer.data(), answer.size(), trace);
}

class AsinfoPoolTest : public testing::Test {
 protected:
  // Leaked on purpose: a worker left inside a lookup when a pool goes may
  // still touch it after the test.
  void SetUp() override { fake = new fake_dns; }

  void shut_gate() {
    std::lock_guard lock(fake->mutex);
    fake->gate_open = false;
  }
  void open_gate() {
    std::lock_guard lock(fake->mutex);
    fake->gate_open = true;
    fake->changed.notify_all();
  }
  bool await_in_flight(int n) {
    std::unique_lock lock(fake->mutex);
    return fake->changed.wait_for(lock, std::chrono::seconds(10),
                                  [&] { return fake->in_flight == n; });
  }
  int questions(const std::string& qname) {
    std::lock_guard lock(fake->mutex);
    return fake->questions[qname];
  }
  static void wait_all(asinfo_pool& pool) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (asinfo_pool_pending(pool) > 0 && std::chrono::steady_clock::now() < deadline)
      asinfo_pool_wait(pool, 1000);
  }
};

std::vector<std::string> traced;
void record_trace(int index, std::string_view text) {
  traced.push_back(std::to_string(index) + " " + std::string(text));
}

TEST_F(AsinfoPoolTest, EachNameIsAskedOnceAndKeepsItsTrace) {
  asinfo_pool pool(4, fake_lookup);
  for (int round = 0; round < 3; round++)
    for (const char* name : {"pipe.a", "three.b", "pipe.a", "fail.c"})
      asinfo_pool_request(pool, name);
  wait_all(pool);
  // Asked again once answered: still from the cache.
  asinfo_pool_request(pool, "fail.c");
  asinfo_pool_request(pool, "pipe.a");
  EXPECT_EQ(asinfo_pool_pending(pool), 0u);

  struct row {
    const char* name;
    const char* comment;
    const char* as_text;
    const char* cidr;
    std::vector<std::string> trace;
  };
  const std::vector<row> rows = {
      {"pipe.a",
       nullptr,
       "64496",
       "192.0.2.0/24",
       {"0 64496 | 192.0.2.0/24 | XX | registry | 2020-01-01"}},
      {"three.b", nullptr, "64497", "192.0.2.0/24", {"0 64497", "1 192.0.2.0", "2 24"}},
      {"fail.c", "Host name lookup failure", nullptr, nullptr, {}},
  };
  for (const row& r : rows) {
    SCOPED_TRACE(r.name);
    EXPECT_EQ(questions(r.name), 1);
    const asinfo_answer* answer = asinfo_pool_find(pool, r.name);
    ASSERT_NE(answer, nullptr);
    EXPECT_EQ(answer->result.comment.value_or("-"), r.comment ? r.comment : "-");
    EXPECT_EQ(answer->result.as_text.value_or("-"), r.as_text ? r.as_text : "-");
    EXPECT_EQ(answer->result.cidr.value_or("-"), r.cidr ? r.cidr : "-");
    // Replayed as often as the answer is used.
    for (int use = 0; use < 2; use++) {
      traced.clear();
      asinfo_answer_trace(*answer, record_trace);
      EXPECT_EQ(traced, r.trace);
    }
  }
  EXPECT_EQ(asinfo_pool_find(pool, "never.asked"), nullptr);
}

TEST_F(AsinfoPoolTest, AtMostWidthLookupsRunAtOnce) {
  asinfo_pool pool(4, fake_lookup);
  shut_gate();
  for (int i = 0; i < 40; i++) asinfo_pool_request(pool, "pipe." + std::to_string(i));
  ASSERT_TRUE(await_in_flight(4));
  // The rest wait in line, and nothing is answered while the gate is shut.
  EXPECT_EQ(asinfo_pool_wait(pool, 50), 0u);
  EXPECT_EQ(asinfo_pool_pending(pool), 40u);
  EXPECT_EQ(pool.workers.size(), 4u);
  EXPECT_EQ(asinfo_pool_find(pool, "pipe.0"), nullptr);
  open_gate();
  wait_all(pool);
  EXPECT_EQ(pool.cache.size(), 40u);
  EXPECT_EQ(fake->most_in_flight, 4);
}

TEST_F(AsinfoPoolTest, DescriptorTurnsReadableWhenAnAnswerIsIn) {
  asinfo_pool pool(2, fake_lookup);
  EXPECT_EQ(asinfo_pool_fd(pool), -1);
  shut_gate();
  asinfo_pool_request(pool, "pipe.a");
  ASSERT_TRUE(await_in_flight(1));
  pollfd pfd{asinfo_pool_fd(pool), POLLIN, 0};
  ASSERT_GE(pfd.fd, 0);
  EXPECT_EQ(poll(&pfd, 1, 0), 0);
  open_gate();
  EXPECT_EQ(poll(&pfd, 1, 10000), 1);
  EXPECT_EQ(asinfo_pool_wait(pool, 0), 1u);
  ASSERT_NE(asinfo_pool_find(pool, "pipe.a"), nullptr);
  // Collected: quiet again.
  EXPECT_EQ(poll(&pfd, 1, 0), 0);
}

TEST_F(AsinfoPoolTest, GetWaitsForItsOwnAnswer) {
  asinfo_pool pool(2, fake_lookup);
  asinfo_pool_request(pool, "fail.x");
  const asinfo_answer& answer = asinfo_pool_get(pool, "three.y");
  EXPECT_EQ(answer.result.as_text.value_or("-"), "64497");
  EXPECT_EQ(&answer, &asinfo_pool_get(pool, "three.y"));
  EXPECT_EQ(questions("three.y"), 1);
}

TEST_F(AsinfoPoolTest, TheCacheKeepsTheNamesUsedMostRecently) {
  asinfo_pool pool(2, fake_lookup);
  pool.capacity = 3;
  for (const char* name : {"pipe.a", "pipe.b", "pipe.c"}) asinfo_pool_get(pool, name);
  ASSERT_NE(asinfo_pool_find(pool, "pipe.a"), nullptr);  // used again: b is now the oldest
  asinfo_pool_get(pool, "pipe.d");
  EXPECT_EQ(asinfo_pool_find(pool, "pipe.b"), nullptr);
  EXPECT_EQ(pool.cache.size(), 3u);
  // Evicted and needed again, it is asked again; the oldest (c) makes room.
  asinfo_pool_get(pool, "pipe.b");
  EXPECT_EQ(questions("pipe.b"), 2);
  EXPECT_EQ(asinfo_pool_find(pool, "pipe.c"), nullptr);
  asinfo_pool_get(pool, "pipe.a");
  EXPECT_EQ(questions("pipe.a"), 1);
  EXPECT_EQ(pool.cache.size(), pool.recency.size());
  EXPECT_LE(pool.cache.size(), 3u);
}

TEST_F(AsinfoPoolTest, AThrowingLookupBecomesAComment) {
  asinfo_pool pool(2, fake_lookup);
  const asinfo_answer& answer = asinfo_pool_get(pool, "throw.z");
  EXPECT_EQ(answer.result.comment.value_or("-"), "out of memory");
  EXPECT_FALSE(answer.result.as_text);
}

TEST_F(AsinfoPoolTest, APoolWithALookupInFlightGoesAtOnce) {
  auto started = std::chrono::steady_clock::now();
  {
    asinfo_pool pool(2, fake_lookup);
    shut_gate();
    asinfo_pool_request(pool, "pipe.slow");
    asinfo_pool_request(pool, "pipe.queued");
    ASSERT_TRUE(await_in_flight(2));
  }
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5));
  // The worker left behind finishes on its own.
  open_gate();
}

}  // namespace
}  // namespace trawl
