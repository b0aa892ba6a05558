#include "engine/engine.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <exception>
#include <string>
#include <utility>

#include "core/diag.h"
#include "engine/fetch.h"
#include "engine/paging.h"
#include "engine/retry.h"
#include "engine/stored_answer.h"
#include "engine/writer_func.h"
#include "records/lookahead.h"
#include "support/safe_text.h"

namespace trawl {

namespace {

// Completion of a query: its last fetch has finished. What it means for the
// output is the run mode's to say.
void last_fetch(fetch& f) {
  query& q = *f.qry;
  writer& wr = *q.wr;
  debug_line(2, "query_done(%s), meta=%d\n", q.detail.descr ? q.detail.descr->c_str() : "",
             wr.meta ? 1 : 0);
  if (wr.meta) return;
  // A query that ended without an answer is reported as begun all the same,
  // so that whatever ends a query's output follows whatever begins it.
  if (!q.answer_reported) {
    q.answer_reported = true;
    if (wr.events.answer_started) wr.events.answer_started(q);
  }
  if (wr.events.finished) {
    lookahead_drain(wr);  // the report follows the query's records
    wr.events.finished(q, f);
  }
}

// Reports a failed transfer; true when it failed (a transfer this program
// ended itself, at the output limit, did not).
bool transfer_result(run_state& state, const fetch& f, CURLcode result) {
  switch (result) {
    case CURLE_OK:
      return false;
    case CURLE_COULDNT_RESOLVE_HOST:
      log_line("libcurl failed since could not resolve host");
      break;
    case CURLE_COULDNT_CONNECT:
      log_line("libcurl failed since could not connect");
      break;
    default:
      if (f.stopped) return false;
      log_line("libcurl failed with curl error %d (%s)", static_cast<int>(result),
               curl_easy_strerror(result));
      break;
  }
  state.exit_status = 1;
  return true;
}

// The transport's view of a framed stream's end. A stream that began must
// end with a terminator; one that ended "failed" failed, whatever records
// came before; and an answer that never began one (a proxy's login page, an
// empty body) was not a record stream at all.
void framing_end(run_state& state, fetch& f, CURLcode result) {
  query& q = *f.qry;
  const char* failure = nullptr;
  if (f.cond == saf_cond::begin || f.cond == saf_cond::ongoing) {
    failure = "Data transfer failed -- No SAF terminator at end of stream";
  } else if (f.cond == saf_cond::none && result == CURLE_OK && f.rcode == 200 && !q.wr->meta) {
    failure = "Data transfer failed -- the answer was not a record stream";
  }
  if (failure != nullptr) {
    f.cond = saf_cond::missing;
    f.saf_msg = failure;
    if (!q.status || q.multitype) query_status(q, "ERROR", failure);
  } else if (f.cond == saf_cond::failed && (!q.status || q.multitype)) {
    query_status(q, "ERROR", f.saf_msg.value_or("").c_str());
  }
  debug_line(2, "... saf_cond %d saf_msg %s\n", static_cast<int>(f.cond),
             f.saf_msg ? f.saf_msg->c_str() : "");
  // Records may have arrived, but not the whole answer.
  if (f.cond == saf_cond::missing || f.cond == saf_cond::failed) state.exit_status = 1;
}

// The server refused the credential: say which one it was.
std::string key_hint(const run_options& opts, const system_settings& settings) {
  switch (settings.api_key_origin) {
    case key_origin::environment:
      return "the server refused the API key from the environment variable TROVE_API_KEY";
    case key_origin::configuration_file:
      return "the server refused the API key from the configuration file " +
             opts.config_file.value_or("");
    case key_origin::none:
      break;
  }
  return "the server refused the request, which carried no API key";
}

// Why the chosen certificate authorities could not be read: the file or
// directory itself, or what the file holds.
std::string unusable_because(const std::string& name, bool directory) {
  struct stat st {};
  if (stat(name.c_str(), &st) != 0) return strerror(errno);
  if (directory != S_ISDIR(st.st_mode)) return directory ? "not a directory" : "a directory";
  if (access(name.c_str(), R_OK) != 0) return strerror(errno);
  return directory ? "it holds no certificate the TLS library could read"
                   : "it holds no certificate in PEM form that the TLS library could read";
}

// The certificate failure in the words of what the user chose: a file or
// directory that could not be used, or authorities that did not sign the
// server's certificate; the way out when nothing was chosen.
std::string certificate_hint(const ca_choice& ca, CURLcode result) {
  const std::string& chosen = ca.file ? *ca.file : ca.path.value_or("");
  const char* what = ca.file ? "certificate file " : "certificate directory ";
  if (result == CURLE_SSL_CACERT_BADFILE && (ca.file || ca.path))
    return std::string("the ") + what + safe_text(chosen) +
           " could not be used: " + unusable_because(chosen, !ca.file);
  if (ca.file || ca.path)
    return "the server's certificate is not signed by an authority in the " + std::string(what) +
           safe_text(chosen) + ": name the one that signed it, or turn the check off with -U";
  return "the server's certificate could not be checked: name the certificate of the CA that "
         "signed it with --cacert FILE, or turn the check off with -U";
}

// One line after a failure the user can fix, saying how; nothing for others.
void transfer_hint(const run_options& opts, run_state& state, const fetch& f, CURLcode result) {
  transfer_engine& engine = state.engine;
  if ((f.rcode == 401 || f.rcode == 403) && !engine.key_hint_given) {
    engine.key_hint_given = true;
    log_line("hint: %s", key_hint(opts, state.settings).c_str());
  }
  // A failed handshake in general (35) has causes that neither option cures.
  if ((result == CURLE_PEER_FAILED_VERIFICATION || result == CURLE_SSL_CACERT_BADFILE) &&
      !engine.certificate_hint_given) {
    engine.certificate_hint_given = true;
    log_line("hint: %s", certificate_hint(state.ca, result).c_str());
  }
}

void transfer_done(const run_options& opts, run_state& state, fetch& f, CURLcode result) {
  query& q = *f.qry;
  if (f.rcode == 0) curl_easy_getinfo(f.easy.get(), CURLINFO_RESPONSE_CODE, &f.rcode);
  debug_line(2, "io_drain(%s) DONE rcode=%d\n", q.detail.descr ? q.detail.descr->c_str() : "",
             static_cast<int>(f.rcode));
  if (retry_later(opts, state.engine, f, result)) return;
  // A complete answer whose last line lacks its newline still ends with a
  // whole line; after a failed transfer the bytes are only a fragment.
  if (result == CURLE_OK && f.rcode == 200 && !f.buf.empty()) writer_deliver(f, "\n", 1, 1);
  if (f.rcode != 0 && f.rcode != 200) http_error(opts, state, f);
  if (f.failed) state.exit_status = 1;
  report_refused_lines(f);
  const bool framed = q.wr->stream.framed;
  if (framed) framing_end(state, f, result);
  if (transfer_result(state, f, result) && !q.status)
    query_status(q, "ERROR", curl_easy_strerror(result));
  if (!opts.quiet) transfer_hint(opts, state, f, result);
  if (framed && !q.wr->meta && q.wr->count == 0 && !q.status)
    query_status(q, "NOERROR", "no results found for query.");
  keep_answer(opts, state, f, result);
  if (page_ended(opts, state, f, result)) return;  // the answer goes on
  if (q.fetches.size() == 1) last_fetch(f);
  fetch_unlink(f);  // the returned owner releases the fetch here
}

// A fetch that --offline could not answer from the store: its query fails
// as a transfer would, or, past the first page, is incomplete.
void not_in_store(run_state& state, fetch& f) {
  query& q = *f.qry;
  state.exit_status = 1;
  if (f.page.number > 1 || q.records > 0) {
    query_incomplete(q, "the next page is not in the cache");
  } else {
    q.not_stored = true;
    if (!q.status || q.multitype) {
      q.status.reset();
      q.message.reset();
      query_status(q, "ERROR", "not in the cache");
    }
  }
  if (q.fetches.size() == 1) last_fetch(f);
  fetch_unlink(f);
}

// A fetch the crawl's budget leaves unasked, or whose answer it cuts: the
// bound was asked for, so the query ends without failing.
void past_the_budget(fetch& f) {
  query& q = *f.qry;
  if (f.page.number == 1)
    ++q.fetches_unasked;
  else
    ++q.fetches_cut;
  if (q.fetches.size() == 1) last_fetch(f);
  fetch_unlink(f);
}

// The fetches waiting for the store: each answered from it, or by the
// network (offline, by nothing).
void answer_from_store(const run_options& opts, run_state& state) {
  std::vector<fetch*>& waiting = state.engine.store_lookups;
  while (!waiting.empty()) {
    fetch& f = *waiting.front();
    waiting.erase(waiting.begin());
    if (replay_stored_answer(opts, state, f))
      transfer_done(opts, state, f, CURLE_OK);
    else if (opts.cache.offline)
      not_in_store(state, f);
    else if (state.engine.budget_on && state.engine.budget_left <= 0)
      past_the_budget(f);
    else
      fetch_transfer(opts, state, f);
  }
}

// Whether the loop may return, once the ended transfers are handled: at
// most n are running. A fetch waiting to be asked again holds no place
// among them, so that other lines go on meanwhile; only the end of
// everything (n of 0) waits for it too.
bool few_enough_left(const run_options& opts, run_state& state, int running, int n) {
  io_drain(opts, state);
  // The next page of an answer starts as its last one is handled.
  running += state.engine.started + static_cast<int>(state.engine.store_lookups.size());
  return running <= n && (n > 0 || state.engine.waiting.empty());
}

}  // namespace

void engine_init(transfer_engine& engine) {
  curl_global_init(CURL_GLOBAL_ALL);
  engine.curl_started = true;
  engine.multi.reset(curl_multi_init());
  if (!engine.multi) throw fatal_error{"curl_multi_init() failed"};
}

void engine_fini(transfer_engine& engine) {
  engine.multi.reset();
  if (engine.curl_started) {
    curl_global_cleanup();
    engine.curl_started = false;
  }
}

void io_engine(const run_options& opts, run_state& state, int n) {
  debug_line(2, "io_engine(%d)\n", n);
  CURLM* multi = state.engine.multi.get();
  int running = 0;
  for (;;) {
    retry_start_due(state.engine);
    state.engine.started = 0;
    answer_from_store(opts, state);
    const CURLMcode rc = curl_multi_perform(multi, &running);
    if (state.engine.callback_failure)
      std::rethrow_exception(std::exchange(state.engine.callback_failure, {}));
    if (rc != CURLM_OK) break;
    if (running <= n && few_enough_left(opts, state, running, n)) break;
    debug_line(3, "...waiting (still %d)\n", running);
    // Sleep in the library until a socket is ready or 100 ms pass, so data
    // is handled as soon as it arrives instead of after a fixed pause; a
    // fetch due to be asked again shortens the sleep. Answers of AS lookups
    // wake it too: held records go out as they come.
    curl_waitfd answers{lookahead_wait_fd(state), CURL_WAIT_POLLIN, 0};
    // Stored answers waiting to be replayed wait for no socket.
    const int longest = state.engine.store_lookups.empty() ? 100 : 0;
    if (curl_multi_poll(multi, &answers, answers.fd >= 0 ? 1 : 0,
                        retry_poll_ms(state.engine, longest), nullptr) != CURLM_OK)
      break;
    lookahead_present_ready_all(state);
    io_drain(opts, state);
    if (state.engine.tick) state.engine.tick();
  }
  io_drain(opts, state);
  lookahead_present_ready_all(state);
}

void io_drain(const run_options& opts, run_state& state) {
  for (;;) {
    int queued = 0;
    CURLMsg* msg = curl_multi_info_read(state.engine.multi.get(), &queued);
    if (msg == nullptr) return;
    if (msg->msg == CURLMSG_DONE) {
      fetch* f = nullptr;
      curl_easy_getinfo(msg->easy_handle, CURLINFO_PRIVATE, reinterpret_cast<char**>(&f));
      transfer_done(opts, state, *f, msg->data.result);
    }
    debug_line(3, "...info read (still %d)\n", queued);
  }
}

}  // namespace trawl
