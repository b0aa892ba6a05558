#include "records/lookahead.h"

#include <poll.h>

#include <cerrno>
#include <optional>
#include <string>
#include <utility>

#include "core/verb.h"
#include "records/annotation.h"
#include "records/tuple.h"

namespace trawl {

namespace {

// The run's lookups, when this writer's records show them.
as_annotation* lookups_of(const writer& wr) {
  as_annotation* as = wr.present.settings.asinfo;
  return as != nullptr && wr.pres != nullptr && wr.pres->annotates ? as : nullptr;
}

// Asks for every value of the record the presenter will annotate, and keeps
// the names not answered yet.
std::vector<std::string> unanswered_names(as_annotation& as, const pdns_tuple& tup) {
  std::vector<std::string> names;
  if (!tup.view.has.rrtype || tup.view.rrtype != "A") return names;
  for_each_rdata(tup, [&](const rdata_entry* value) {
    if (value == nullptr || value->bad) return;
    const std::string text(value->text);
    std::optional<std::string> name = asinfo_name_of(&as, "A", text.c_str());
    if (!name) return;
    asinfo_pool_request(as.pool, *name);
    if (asinfo_pool_find(as.pool, *name) == nullptr) names.push_back(std::move(*name));
  });
  return names;
}

bool answered(as_annotation& as, held_record& h) {
  while (h.answered < h.names.size() && asinfo_pool_find(as.pool, h.names[h.answered]) != nullptr)
    ++h.answered;
  return h.answered == h.names.size();
}

// Shows the oldest held record; its lookups are waited for if need be, by
// the presenter itself.
void present_head(writer& wr) {
  held_record h = std::move(wr.held.front());
  wr.held.pop_front();
  pdns_tuple tup;
  // The line decoded once already; decoding it again gives the same record.
  if (!tuple_make(tup, h.line, wr.stream.transforms, wr.stream.framed))
    wr.pres->function(tup, h.detail, wr.present);
  tuple_unmake(tup);
}

// Presents the ready heads; true when none is left waiting.
bool present_answered(writer& wr, as_annotation& as) {
  while (!wr.held.empty() && answered(as, wr.held.front())) present_head(wr);
  return wr.held.empty();
}

}  // namespace

void lookahead_present(writer& wr, const pdns_tuple& tup, std::string_view line,
                       const query_detail* detail) {
  as_annotation* as = lookups_of(wr);
  if (as == nullptr) {
    wr.pres->function(tup, detail, wr.present);
    return;
  }
  std::vector<std::string> names = unanswered_names(*as, tup);
  if (wr.held.empty() && names.empty()) {
    wr.pres->function(tup, detail, wr.present);
    return;
  }
  if (wr.held.size() >= lookahead_limit) present_head(wr);
  wr.held.push_back({std::string(line), detail, std::move(names), 0});
  lookahead_present_ready(wr);
}

void lookahead_present_ready(writer& wr) {
  if (wr.held.empty()) return;
  as_annotation* as = lookups_of(wr);
  if (as == nullptr) return;
  // Answers are taken in only when the head still waits: a run whose
  // answers are all known makes no call for them.
  if (present_answered(wr, *as)) return;
  asinfo_pool_wait(as->pool, 0);
  present_answered(wr, *as);
}

void lookahead_drain(writer& wr) {
  // A reader that has gone takes nothing more: no lookup is waited for.
  if (wr.present.sink.error() != 0) wr.held.clear();
  while (!wr.held.empty()) present_head(wr);
}

void lookahead_present_ready_all(run_state& state) {
  for (const std::unique_ptr<writer>& wr : state.writers) lookahead_present_ready(*wr);
}

int lookahead_wait_fd(const run_state& state) {
  for (const std::unique_ptr<writer>& wr : state.writers) {
    if (wr->held.empty()) continue;
    const as_annotation* as = lookups_of(*wr);
    if (as != nullptr) return asinfo_pool_fd(as->pool);
  }
  return -1;
}

void lookahead_await_input(writer& wr, int fd) {
  for (;;) {
    const as_annotation* as = wr.held.empty() ? nullptr : lookups_of(wr);
    const int answers = as != nullptr ? asinfo_pool_fd(as->pool) : -1;
    if (answers < 0) return;  // the read waits alone
    pollfd fds[2] = {{fd, POLLIN, 0}, {answers, POLLIN, 0}};
    if (poll(fds, 2, -1) < 0) {
      if (errno == EINTR) continue;
      return;  // the read reports what is wrong with the input
    }
    if (fds[1].revents != 0) lookahead_present_ready(wr);
    if (fds[0].revents != 0) return;
  }
}

}  // namespace trawl
