#include "engine/fetch.h"

#include <exception>
#include <string_view>

#include "core/diag.h"
#include "engine/curl_debug.h"
#include "engine/paging.h"
#include "engine/stored_answer.h"
#include "engine/writer_func.h"

namespace trawl {

namespace {

// The response headers, for what they say of the next page.
size_t header_func(char* data, size_t size, size_t count, void* userdata) {
  fetch& f = *static_cast<fetch*>(userdata);
  const size_t bytes = size * count;
  try {
    page_header(f.page, std::string_view(data, bytes));
  } catch (...) {
    // No exception crosses the library: the failure is the engine's to
    // rethrow, and the transfer ends.
    f.engine->callback_failure = std::current_exception();
    return 0;
  }
  return bytes;
}

}  // namespace

fetch& fetch_init(const run_options& opts, run_state& state, query& q, std::string url,
                  page_state page) {
  debug_line(2, "fetch(%s)\n", url.c_str());
  auto f = std::make_unique<fetch>();
  f->qry = &q;
  f->page = std::move(page);
  f->easy.reset(curl_easy_init());
  if (!f->easy) throw fatal_error{""};
  CURL* h = f->easy.get();
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
  if (opts.cookie_file) curl_easy_setopt(h, CURLOPT_COOKIEFILE, opts.cookie_file->c_str());
  curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, writer_func);
  curl_easy_setopt(h, CURLOPT_WRITEDATA, f.get());
  curl_easy_setopt(h, CURLOPT_HEADERFUNCTION, header_func);
  curl_easy_setopt(h, CURLOPT_HEADERDATA, f.get());
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
  added.engine = &state.engine;
  fetch_request(opts, state, added, std::move(url));
  fetch_start(opts, state, added);
  return added;
}

void fetch_request(const run_options& opts, run_state& state, fetch& f, std::string url) {
  CURL* h = f.easy.get();
  f.url = std::move(url);
  curl_easy_setopt(h, CURLOPT_URL, f.url.c_str());
  f.headers.reset();
  state.psys->auth(state.settings, f);
  f.answer_headers.assign(1, state.psys->encap == encapsulation::saf
                                 ? "Accept: application/x-ndjson"
                                 : "Accept: application/json");
  if (state.psys->answer_headers != nullptr) state.psys->answer_headers(opts, f, f.answer_headers);
  for (const std::string& header : f.answer_headers) slist_append(f.headers, header.c_str());
  curl_easy_setopt(h, CURLOPT_HTTPHEADER, f.headers.get());
}

void fetch_start(const run_options& opts, run_state& state, fetch& f) {
  if (store_takes(opts, state, f)) return;
  // Past the budget only the store may answer; the engine's loop says so.
  if (state.engine.budget_on && state.engine.budget_left <= 0) {
    state.engine.store_lookups.push_back(&f);
    return;
  }
  fetch_transfer(opts, state, f);
}

void fetch_transfer(const run_options& opts, run_state& state, fetch& f) {
  const CURLMcode rc = curl_multi_add_handle(state.engine.multi.get(), f.easy.get());
  if (rc != CURLM_OK)
    throw fatal_error{std::string("curl_multi_add_handle() failed: ") + curl_multi_strerror(rc)};
  ++state.engine.started;
  if (state.engine.budget_on) --state.engine.budget_left;
  if (opts.cache.on && state.store && state.store_writable) f.recording = std::make_unique<spool>();
}

}  // namespace trawl
