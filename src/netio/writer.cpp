#include <cassert>
#include <cstdio>

#include "trawl/diag.h"
#include "trawl/netio.h"
#include "trawl/settings.h"
#include "trawl/sort_child.h"

namespace trawl {

std::list<std::unique_ptr<writer>> writers;

namespace {

void writer_teardown(std::unique_ptr<writer> wr) {
  for (auto& q : wr->queries) {
    for (auto& f : q->fetches) {
      if (!f->buf.empty())
        log_line("warning: stranding %d octets!", static_cast<int>(f->buf.size()));
      f.reset();
    }
    q.reset();
  }
  wr->queries.clear();
  if (wr->sort_pid != 0) sort_child_finish(*wr);
  if (!wr->ps_buf.empty()) {
    assert(wr->ps_user != nullptr);
    wr->ps_user(*wr);
    wr->ps_buf.clear();
  }
}

}  // namespace

writer& writer_init(int64_t output_limit, void (*ps_user)(writer&), bool meta) {
  auto wr = std::make_unique<writer>();
  wr->output_limit = output_limit;
  wr->ps_user = ps_user;
  wr->meta = meta;
  if (sorting != sort_none) sort_child_start(*wr);
  writers.push_front(std::move(wr));
  return *writers.front();
}

void writer_fini(writer& wr) {
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

void writer_fini_all() {
  while (!writers.empty()) {
    std::unique_ptr<writer> owned = std::move(writers.front());
    writers.pop_front();
    writer_teardown(std::move(owned));
  }
}

void ps_stdout(writer& wr) {
  fwrite(wr.ps_buf.data(), 1, wr.ps_buf.size(), stdout);
}

query& writer_add_query(writer& wr, std::unique_ptr<query> q) {
  q->wr = &wr;
  wr.queries.push_front(std::move(q));
  return *wr.queries.front();
}

void query_status(query& q, const char* status, const char* message) {
  if (q.multitype) {
    q.status.reset();
    q.message.reset();
  }
  assert(!q.status);
  q.status = status;
  q.message = message;
}

}  // namespace trawl
