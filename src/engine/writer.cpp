#include "engine/writer.h"

#include <cassert>
#include <cstdio>

#include "core/diag.h"
#include "core/state.h"
#include "sort/sort_child.h"

namespace trawl {

namespace {

void writer_teardown(std::unique_ptr<writer> wr) {
  for (auto& q : wr->queries) {
    for (auto& f : q->fetches) {
      if (!f->buf.empty()) warning("stranding %d octets!", static_cast<int>(f->buf.size()));
      f.reset();
    }
    q.reset();
  }
  wr->queries.clear();
  if (wr->sort_pid != 0) sort_child_finish(*wr->opts, *wr->state, *wr);
  if (!wr->ps_buf.empty()) {
    assert(wr->ps_user != nullptr);
    wr->ps_user(*wr);
    wr->ps_buf.clear();
  }
}

}  // namespace

writer& writer_init(const run_options& opts, run_state& state, int64_t output_limit,
                    void (*ps_user)(writer&), bool meta) {
  auto wr = std::make_unique<writer>();
  wr->opts = &opts;
  wr->state = &state;
  wr->output_limit = output_limit;
  wr->ps_user = ps_user;
  wr->meta = meta;
  if (opts.sorting != sort_none) sort_child_start(opts, *wr);
  state.writers.push_front(std::move(wr));
  return *state.writers.front();
}

void writer_fini(writer& wr) {
  std::list<std::unique_ptr<writer>>& writers = wr.state->writers;
  for (auto it = writers.begin(); it != writers.end(); ++it) {
    if (it->get() == &wr) {
      std::unique_ptr<writer> owned = std::move(*it);
      writers.erase(it);
      writer_teardown(std::move(owned));
      return;
    }
  }
  assert(false && "writer missing from the list of writers");
}

void writer_fini_all(run_state& state) {
  while (!state.writers.empty()) {
    std::unique_ptr<writer> owned = std::move(state.writers.front());
    state.writers.pop_front();
    writer_teardown(std::move(owned));
  }
}

void ps_stdout(writer& wr) {
  fwrite(wr.ps_buf.data(), 1, wr.ps_buf.size(), stdout);
}

}  // namespace trawl
