#include "core/transfer.h"

#include <cassert>

namespace trawl {

fetch::~fetch() {
  if (easy && engine != nullptr) {
    curl_multi_remove_handle(engine->multi.get(), easy.get());
    std::erase_if(engine->waiting, [this](const fetch_due& w) { return w.f == this; });
    std::erase(engine->store_lookups, this);
  }
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

void query_incomplete(query& q, const std::string& reason) {
  q.incomplete = reason;
  q.status = "ERROR";
  q.message = "incomplete after " + std::to_string(q.records) + " records: " + reason;
}

std::unique_ptr<fetch> fetch_unlink(fetch& f) {
  query& q = *f.qry;
  for (auto it = q.fetches.begin(); it != q.fetches.end(); ++it) {
    if (it->get() == &f) {
      std::unique_ptr<fetch> owned = std::move(*it);
      q.fetches.erase(it);
      owned->qry = nullptr;
      return owned;
    }
  }
  assert(false && "fetch missing from its query");
  return nullptr;
}

}  // namespace trawl
