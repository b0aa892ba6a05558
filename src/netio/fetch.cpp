#include <cassert>

#include "trawl/diag.h"
#include "trawl/netio.h"
#include "trawl/pdns_system.h"
#include "trawl/settings.h"

namespace trawl {

void slist_append(curl_slist_ptr& list, const char* line) {
  curl_slist* grown = curl_slist_append(list.get(), line);
  if (grown == nullptr) panic_exit("curl_slist_append");
  (void)list.release();  // the grown list still starts with the old head
  list.reset(grown);
}

fetch::~fetch() {
  if (easy && engine_multi() != nullptr) curl_multi_remove_handle(engine_multi(), easy.get());
}

fetch& fetch_init(query& q, std::string url) {
  if (debug_level >= 2) debug_line(true, "fetch(%s)\n", url.c_str());
  auto f = std::make_unique<fetch>();
  f->qry = &q;
  f->easy.reset(curl_easy_init());
  if (!f->easy) clean_exit(1);
  f->url = std::move(url);
  CURL* h = f->easy.get();
  curl_easy_setopt(h, CURLOPT_URL, f->url.c_str());
  if (no_verify) {
    curl_easy_setopt(h, CURLOPT_SSL_VERIFYPEER, 0L);
    curl_easy_setopt(h, CURLOPT_SSL_VERIFYHOST, 0L);
  }
  if (ip_family != 0) curl_easy_setopt(h, CURLOPT_IPRESOLVE, static_cast<long>(ip_family));
  if (timeout != 0) {
    curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT, timeout);
    curl_easy_setopt(h, CURLOPT_TIMEOUT, timeout);
  }
  psys->auth(*f);
  if (cookie_file) curl_easy_setopt(h, CURLOPT_COOKIEFILE, cookie_file->c_str());
  slist_append(f->headers, psys->encap == encap_saf ? "Accept: application/x-ndjson"
                                                    : "Accept: application/json");
  curl_easy_setopt(h, CURLOPT_HTTPHEADER, f->headers.get());
  curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, writer_func);
  curl_easy_setopt(h, CURLOPT_WRITEDATA, f.get());
  curl_easy_setopt(h, CURLOPT_PRIVATE, f.get());
  curl_easy_setopt(h, CURLOPT_PATH_AS_IS, 1L);
  if (debug_level >= 3) {
    curl_easy_setopt(h, CURLOPT_VERBOSE, 1L);
    curl_easy_setopt(h, CURLOPT_DEBUGFUNCTION, curl_debug_trace);
  }

  q.fetches.push_front(std::move(f));
  fetch& added = *q.fetches.front();
  const CURLMcode rc = curl_multi_add_handle(engine_multi(), h);
  if (rc != CURLM_OK) {
    log_line("curl_multi_add_handle() failed: %s", curl_multi_strerror(rc));
    clean_exit(1);
  }
  return added;
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
