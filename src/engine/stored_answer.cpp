#include "engine/stored_answer.h"

#include <cstring>
#include <ctime>

#include "core/diag.h"
#include "engine/writer_func.h"
#include "support/time_values.h"

namespace trawl {

namespace {

int64_t now_us() {
  timespec ts{};
  clock_gettime(CLOCK_REALTIME, &ts);
  return static_cast<int64_t>(ts.tv_sec) * 1000000 + ts.tv_nsec / 1000;
}

// Each field with its length in front: no two different lists of fields
// make the same text.
void key_field(std::string& material, std::string_view value) {
  material += std::to_string(value.size());
  material += ':';
  material.append(value);
  material += '\n';
}

sha256_digest key_of(const run_state& state, const fetch& f) {
  return stored_answer_key(state.psys->name, f.url, f.answer_headers, state.settings.api_key);
}

std::string ago(int64_t seconds) {
  char text[50];
  if (duration_str(static_cast<uint64_t>(seconds < 0 ? 0 : seconds), text, sizeof text) < 0)
    return "long";
  return text;
}

}  // namespace

sha256_digest stored_answer_key(std::string_view system, std::string_view url,
                                const std::vector<std::string>& headers,
                                const std::optional<std::string>& credential) {
  std::string material = "trawl answer key 1\n";
  key_field(material, system);
  key_field(material, url);
  key_field(material, std::to_string(headers.size()));
  for (const std::string& header : headers) key_field(material, header);
  key_field(material, credential ? "credential " + sha256_hex(sha256({*credential})) : "none");
  return sha256({material});
}

void store_failed(run_state& state, const std::string& reason) {
  if (!state.store) return;
  warning("answer store %s: %s; going on without it", state.store->path().c_str(), reason.c_str());
  state.store.reset();
}

bool store_takes(const run_options& opts, run_state& state, fetch& f) {
  const cache_settings& cache = opts.cache;
  if (!cache.on || cache.refresh || f.from_store) return false;
  // Offline, a store that could not be opened still answers: with nothing.
  if (!state.store && !cache.offline) return false;
  state.engine.store_lookups.push_back(&f);
  return true;
}

bool replay_stored_answer(const run_options& opts, run_state& state, fetch& f) {
  answer_store* store = state.store.get();
  if (store == nullptr) return false;
  const int64_t now = time(nullptr);
  bool found = false;
  const result<bool> replayed = store->replay(
      key_of(state, f), now - opts.cache.ttl, now_us(),
      [&](const stored_meta& meta) {
        found = true;
        f.from_store = true;
        f.rcode = meta.status;
        f.page.next_cursor = meta.next_cursor;
        f.page.cut_report = meta.cut_report;
        debug_line(1, "answer from the cache (stored %s ago)\n", ago(now - meta.stored).c_str());
      },
      [&](std::string_view chunk) {
        // The output limit ends a stored answer as it ends a transfer.
        return writer_deliver(f, chunk.data(), 1, chunk.size()) == chunk.size();
      });
  if (replayed) return *replayed;
  store_failed(state, replayed.error());
  if (!found) return false;
  // Some of it may be out already: the network must not repeat it.
  f.failed = true;
  query& q = *f.qry;
  if (!q.status || q.multitype) {
    q.status.reset();
    q.message.reset();
    query_status(q, "ERROR", "the stored answer could not be read whole");
  }
  return true;
}

void keep_answer(const run_options& opts, run_state& state, fetch& f, CURLcode result) {
  std::unique_ptr<spool> body = std::move(f.recording);
  if (!body || !state.store || !state.store_writable || f.from_store) return;
  if (body->failed()) {
    warning("answer store %s: %s; answers are not stored", state.store->path().c_str(),
            body->error().c_str());
    state.store_writable = false;
    return;
  }
  if (result != CURLE_OK || f.failed) return;
  stored_meta meta;
  const writer& wr = *f.qry->wr;
  if (wr.stream.framed) {
    // A stream that ended as the server ends every answer it gives whole.
    if (f.rcode != 200 || (f.cond != saf_cond::succeeded && f.cond != saf_cond::limited)) return;
    meta.ending = f.cond == saf_cond::succeeded ? "succeeded" : "limited";
  } else if (f.rcode == 200) {
    meta.ending = "complete";
  } else if (f.rcode == 404 && strcmp(state.psys->status(*state.psys, f), "NOERROR") == 0) {
    meta.ending = "no records";  // the version-1 API's way to say so
  } else {
    return;
  }
  meta.system = state.psys->name;
  meta.status = f.rcode;
  meta.next_cursor = f.page.next_cursor;
  meta.cut_report = f.page.cut_report;
  const int64_t now = time(nullptr);
  if (std::optional<std::string> error =
          state.store->store(key_of(state, f), meta, *body, now, now_us(), opts.cache.max_bytes)) {
    warning("answer store %s: %s; answers are not stored", state.store->path().c_str(),
            error->c_str());
    state.store_writable = false;
  }
}

}  // namespace trawl
