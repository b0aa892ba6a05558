#include "trawl/diag.h"
#include "trawl/netio.h"
#include "trawl/pdns_system.h"
#include "trawl/settings.h"

namespace trawl {

namespace {

struct engine_state {
  curl_multi_ptr multi;
  bool library_started = false;
};

engine_state engine;

// Completion of a query: its last fetch has finished.
void last_fetch(fetch& f) {
  query& q = *f.qry;
  writer& wr = *q.wr;
  if (debug_level >= 2)
    debug_line(true, "query_done(%s), meta=%d\n", q.descr ? q.descr->c_str() : "", wr.meta ? 1 : 0);
  if (wr.meta) return;
  const char* saf_msg = f.saf_msg ? f.saf_msg->c_str() : "";
  switch (batching) {
    case batch_none:
      if (quiet) break;
      if (f.saf_cond == cond_limited)
        log_line("Database API limit: %s", saf_msg);
      else if (f.saf_cond == cond_failed)
        log_line("Database result: %s", saf_msg);
      else if (f.saf_cond == cond_missing)
        log_line("API response missing: %s", saf_msg);
      else if (q.status && !q.multitype)
        log_line("API status: %s (%s)", q.status->c_str(), q.message->c_str());
      break;
    case batch_plain:
      break;
    case batch_tagged: {
      const char* status = q.status ? q.status->c_str() : "NOERROR";
      const char* message = q.message ? q.message->c_str() : f.saf_msg ? saf_msg : "no error";
      wr.ps_buf = std::string("-- ") + status + " (" + message + ")\n";
      break;
    }
  }
}

void transfer_result(fetch& f, CURLcode result) {
  switch (result) {
    case CURLE_OK:
      break;
    case CURLE_COULDNT_RESOLVE_HOST:
      log_line("libcurl failed since could not resolve host");
      exit_status = 1;
      break;
    case CURLE_COULDNT_CONNECT:
      log_line("libcurl failed since could not connect");
      exit_status = 1;
      break;
    default:
      if (!f.stopped) {
        log_line("libcurl failed with curl error %d (%s)", static_cast<int>(result),
                 curl_easy_strerror(result));
        exit_status = 1;
      }
      break;
  }
}

void transfer_done(fetch& f, CURLcode result) {
  query& q = *f.qry;
  if (f.rcode == 0) curl_easy_getinfo(f.easy.get(), CURLINFO_RESPONSE_CODE, &f.rcode);
  if (debug_level >= 2)
    debug_line(true, "io_drain(%s) DONE rcode=%d\n", q.descr ? q.descr->c_str() : "",
               static_cast<int>(f.rcode));
  const bool framed = psys->encap == encap_saf;
  if (framed) {
    if (f.saf_cond == cond_begin || f.saf_cond == cond_ongoing) {
      static constexpr const char* missing =
          "Data transfer failed -- No SAF terminator at end of stream";
      f.saf_cond = cond_missing;
      f.saf_msg = missing;
      query_status(q, "ERROR", missing);
    }
    if (debug_level >= 2)
      debug_line(true, "... saf_cond %d saf_msg %s\n", f.saf_cond,
                 f.saf_msg ? f.saf_msg->c_str() : "");
  }
  transfer_result(f, result);
  if (framed && !q.wr->meta && q.wr->count == 0 && !q.status)
    query_status(q, "NOERROR", "no results found for query.");
  if (q.fetches.size() == 1) last_fetch(f);
  fetch_unlink(f);  // the returned owner releases the fetch here
}

}  // namespace

CURLM* engine_multi() {
  return engine.multi.get();
}

void engine_init() {
  curl_global_init(CURL_GLOBAL_ALL);
  engine.library_started = true;
  engine.multi.reset(curl_multi_init());
  if (!engine.multi) {
    log_line("curl_multi_init() failed");
    clean_exit(1);
  }
}

void engine_fini() {
  engine.multi.reset();
  if (engine.library_started) {
    curl_global_cleanup();
    engine.library_started = false;
  }
}

void io_engine(int n) {
  if (debug_level >= 2) debug_line(true, "io_engine(%d)\n", n);
  int running = 0;
  for (;;) {
    if (curl_multi_perform(engine.multi.get(), &running) != CURLM_OK) break;
    if (running <= n) break;
    if (debug_level >= 3) debug_line(true, "...waiting (still %d)\n", running);
    // Sleep in the library until a socket is ready or 100 ms pass, so data
    // is handled as soon as it arrives instead of after a fixed pause.
    if (curl_multi_poll(engine.multi.get(), nullptr, 0, 100, nullptr) != CURLM_OK) break;
    io_drain();
  }
  io_drain();
}

void io_drain() {
  for (;;) {
    int queued = 0;
    CURLMsg* msg = curl_multi_info_read(engine.multi.get(), &queued);
    if (msg == nullptr) return;
    if (msg->msg == CURLMSG_DONE) {
      fetch* f = nullptr;
      curl_easy_getinfo(msg->easy_handle, CURLINFO_PRIVATE, reinterpret_cast<char**>(&f));
      transfer_done(*f, msg->data.result);
    }
    if (debug_level >= 3) debug_line(true, "...info read (still %d)\n", queued);
  }
}

std::optional<std::string> escape(const std::string& text) {
  char* escaped = curl_easy_escape(nullptr, text.c_str(), static_cast<int>(text.size()));
  if (escaped == nullptr) return std::nullopt;
  std::string result = escaped;
  curl_free(escaped);
  return result;
}

}  // namespace trawl
