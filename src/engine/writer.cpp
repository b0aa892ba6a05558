#include "engine/writer.h"

#include <cassert>

#include "core/diag.h"
#include "records/lookahead.h"
#include "sort/sort_child.h"

namespace trawl {

namespace {

void writer_teardown(run_state& state, std::unique_ptr<writer> wr) {
  lookahead_drain(*wr);  // before the queries whose details the held records name
  for (auto& q : wr->queries) {
    for (auto& f : q->fetches) {
      if (!f->buf.empty()) warning("stranding %d octets!", static_cast<int>(f->buf.size()));
      f.reset();
    }
    q.reset();
  }
  wr->queries.clear();
  if (wr->sort_pid != 0) sort_child_finish(*wr);
  if (wr->incomplete) state.exit_status = 1;
}

}  // namespace

void presentation_init(const run_options& opts, run_state& state) {
  state.present.iso_time = opts.iso_time;
  state.present.transforms = opts.transforms;
  state.present.minimal_set = state.minimal_set.get();
  state.asinfo.zone = opts.asinfo_domain;
  state.present.asinfo = opts.asinfo_lookup ? &state.asinfo : nullptr;
}

void writer_configure(const run_options& opts, const run_state& state, writer& wr) {
  wr.pres = opts.presenter_selected;
  wr.stream.framed = state.psys != nullptr && state.psys->encap == encapsulation::saf;
  wr.stream.filters_locally = state.psys != nullptr && state.psys->filters_locally;
  wr.stream.transforms = opts.transforms;
  wr.sorting = opts.sorting != sort_mode::none;
}

writer& writer_init(const run_options& opts, run_state& state, int64_t output_limit, bool meta,
                    query_listener events) {
  auto wr = std::make_unique<writer>(state.present, state.sink);
  wr->output_limit = output_limit;
  wr->meta = meta;
  wr->events = std::move(events);
  writer_configure(opts, state, *wr);
  if (wr->sorting) sort_child_start(opts, *wr);
  state.writers.push_front(std::move(wr));
  return *state.writers.front();
}

void writer_fini(run_state& state, writer& wr) {
  std::list<std::unique_ptr<writer>>& writers = state.writers;
  for (auto it = writers.begin(); it != writers.end(); ++it) {
    if (it->get() == &wr) {
      std::unique_ptr<writer> owned = std::move(*it);
      writers.erase(it);
      writer_teardown(state, std::move(owned));
      return;
    }
  }
  assert(false && "writer missing from the list of writers");
}

void writer_fini_all(run_state& state) {
  while (!state.writers.empty()) {
    std::unique_ptr<writer> owned = std::move(state.writers.front());
    state.writers.pop_front();
    writer_teardown(state, std::move(owned));
  }
}

}  // namespace trawl
