#include "records/lookahead.h"

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "pdns_record_fixture.h"
#include "records/annotation.h"

namespace trawl {
namespace {

// Lookups of names starting with "1." wait while the gate is shut.
struct gate {
  std::mutex mutex;
  std::condition_variable opened;
  bool open = true;
};
gate* the_gate = nullptr;

asinfo_result gated_lookup(asinfo_resolver&, const std::string& qname, asinfo_trace) {
  gate* g = the_gate;
  if (qname.starts_with("1.")) {
    std::unique_lock lock(g->mutex);
    g->opened.wait(lock, [g] { return g->open; });
  }
  asinfo_result r;
  r.as_text = "64496";
  r.cidr = "192.0.2.0/24";
  return r;
}

// Each presented record: its owner name, and whether an A value's answer
// was not in yet when it was shown.
std::vector<std::string> shown;
void record_shown(const pdns_tuple& tup, const query_detail*, present_context& ctx) {
  bool known = true;
  const std::string rrtype(tup.view.rrtype);
  for_each_rdata(tup, [&](const rdata_entry* v) {
    if (v == nullptr) return;
    const std::string text(v->text);
    std::optional<std::string> name =
        asinfo_name_of(ctx.settings.asinfo, rrtype.c_str(), text.c_str());
    if (name && asinfo_pool_find(ctx.settings.asinfo->pool, *name) == nullptr) known = false;
  });
  shown.push_back(std::string(tup.rrname()) + (known ? "" : " (not answered)"));
}
// As the real presenters do: the annotation is asked for, and waited for.
void record_annotated(const pdns_tuple& tup, const query_detail* qry, present_context& ctx) {
  record_shown(tup, qry, ctx);
  const std::string rrtype(tup.view.rrtype);
  for_each_rdata(tup, [&](const rdata_entry* v) {
    if (v == nullptr) return;
    const std::string text(v->text);
    asinfo_result r = asinfo_from_rr(ctx.settings.asinfo, rrtype.c_str(), text.c_str());
    if (ctx.settings.asinfo != nullptr && rrtype == "A") {
      EXPECT_EQ(r.as_text, "64496") << tup.rrname();
    }
  });
}
const presenter annotating = {record_annotated, true, true};
const presenter plain = {record_shown, true, false};

class lookahead_test : public pdns_record_test {
 protected:
  void SetUp() override {
    pdns_record_test::SetUp();
    the_gate = new gate;  // leaked: a worker may outlive the test
    shown.clear();
    opts_.asinfo_lookup = true;
    opts_.asinfo_domain = "z";
    opts_.presenter_selected = &annotating;
    state_.asinfo.pool.lookup = gated_lookup;
  }

  void shut() {
    std::lock_guard lock(the_gate->mutex);
    the_gate->open = false;
  }
  void open() {
    std::lock_guard lock(the_gate->mutex);
    the_gate->open = true;
    the_gate->opened.notify_all();
  }

  void present(const std::string& owner, const std::string& type, const std::string& data) {
    prepare(wr_);
    const std::string line =
        R"({"rrname":")" + owner + R"(","rrtype":")" + type + R"(","rdata":")" + data + R"("})";
    pdns_tuple tup;
    ASSERT_FALSE(tuple_make(tup, line, opts_.transforms, false));
    lookahead_present(wr_, tup, line, nullptr);
    tuple_unmake(tup);
  }
};

TEST_F(lookahead_test, RecordsWaitInOrderBehindTheFirstUnanswered) {
  shut();
  present("a.", "A", "192.0.2.1");
  present("b.", "AAAA", "2001:db8::1");  // needs nothing, but comes after a.
  present("c.", "A", "192.0.2.2");
  lookahead_present_ready(wr_);
  EXPECT_EQ(shown, std::vector<std::string>{});
  EXPECT_EQ(wr_.held.size(), 3u);
  open();
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!wr_.held.empty() && std::chrono::steady_clock::now() < deadline) {
    asinfo_pool_wait(state_.asinfo.pool, 100);
    lookahead_present_ready(wr_);
  }
  EXPECT_EQ(shown, (std::vector<std::string>{"a.", "b.", "c."}));
  // Answered now: shown at once, held by nothing.
  present("d.", "A", "192.0.2.1");
  EXPECT_EQ(shown.back(), "d.");
  EXPECT_TRUE(wr_.held.empty());
}

TEST_F(lookahead_test, WithoutAnnotationNothingIsHeldOrAsked) {
  shut();
  opts_.presenter_selected = &plain;
  present("a.", "A", "192.0.2.1");
  opts_.presenter_selected = &annotating;
  opts_.asinfo_lookup = false;
  present("b.", "A", "192.0.2.1");
  EXPECT_EQ(shown, (std::vector<std::string>{"a. (not answered)", "b."}));
  EXPECT_EQ(asinfo_pool_pending(state_.asinfo.pool), 0u);
  open();
}

TEST_F(lookahead_test, TheLookAheadIsBoundedAndDrainWaits) {
  shut();
  present("a.", "A", "192.0.2.1");
  for (size_t i = 1; i < lookahead_limit; i++) present("b.", "AAAA", "2001:db8::1");
  EXPECT_EQ(wr_.held.size(), lookahead_limit);
  EXPECT_TRUE(shown.empty());
  std::thread opener([this] {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    open();
  });
  present("c.", "A", "192.0.2.3");  // makes room: a. is shown, waiting for its answer
  opener.join();
  ASSERT_FALSE(shown.empty());
  EXPECT_EQ(shown.front(), "a. (not answered)");
  EXPECT_LE(wr_.held.size(), lookahead_limit);
  lookahead_drain(wr_);
  ASSERT_EQ(shown.size(), lookahead_limit + 1);
  EXPECT_EQ(shown.back(), "c.");
}

}  // namespace
}  // namespace trawl
