#include "engine/fetch.h"

#include "core/diag.h"
#include "engine/curl_debug.h"
#include "engine/writer_func.h"

namespace trawl {

fetch& fetch_init(const run_options& opts, run_state& state, query& q, std::string url) {
  debug_line(2, "fetch(%s)\n", url.c_str());
  auto f = std::make_unique<fetch>();
  f->qry = &q;
  f->easy.reset(curl_easy_init());
  if (!f->easy) throw fatal_error{""};
  f->url = std::move(url);
  CURL* h = f->easy.get();
  curl_easy_setopt(h, CURLOPT_URL, f->url.c_str());
  if (opts.no_verify) {
    curl_easy_setopt(h, CURLOPT_SSL_VERIFYPEER, 0L);
    curl_easy_setopt(h, CURLOPT_SSL_VERIFYHOST, 0L);
  }
  if (state.ca.file) curl_easy_setopt(h, CURLOPT_CAINFO, state.ca.file->c_str());
  if (state.ca.path) curl_easy_setopt(h, CURLOPT_CAPATH, state.ca.path->c_str());
  if (opts.ip_family != 0)
    curl_easy_setopt(h, CURLOPT_IPRESOLVE, static_cast<long>(opts.ip_family));
  if (opts.timeout != 0) {
    curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT, opts.timeout);
    curl_easy_setopt(h, CURLOPT_TIMEOUT, opts.timeout);
  }
  state.psys->auth(state.settings, *f);
  if (opts.cookie_file) curl_easy_setopt(h, CURLOPT_COOKIEFILE, opts.cookie_file->c_str());
  slist_append(f->headers, state.psys->encap == encapsulation::saf ? "Accept: application/x-ndjson"
                                                                   : "Accept: application/json");
  curl_easy_setopt(h, CURLOPT_HTTPHEADER, f->headers.get());
  curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, writer_func);
  curl_easy_setopt(h, CURLOPT_WRITEDATA, f.get());
  curl_easy_setopt(h, CURLOPT_PRIVATE, f.get());
  curl_easy_setopt(h, CURLOPT_PATH_AS_IS, 1L);
  // libcurl keeps its own copy of the text.
  curl_easy_setopt(h, CURLOPT_USERAGENT, (std::string("trawl/") + version_string()).c_str());
  // Answers are long runs of repetitive JSON: compressed, they cross a real
  // network several times faster. "" offers every encoding the library has.
  curl_easy_setopt(h, CURLOPT_ACCEPT_ENCODING, "");
  if (debugging(3)) {
    curl_easy_setopt(h, CURLOPT_VERBOSE, 1L);
    curl_easy_setopt(h, CURLOPT_DEBUGFUNCTION, curl_debug_trace);
  }

  q.fetches.push_front(std::move(f));
  fetch& added = *q.fetches.front();
  const CURLMcode rc = curl_multi_add_handle(state.engine.multi.get(), h);
  if (rc != CURLM_OK)
    throw fatal_error{std::string("curl_multi_add_handle() failed: ") + curl_multi_strerror(rc)};
  added.engine = &state.engine;
  return added;
}

}  // namespace trawl
