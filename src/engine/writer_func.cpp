#include "engine/writer_func.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <exception>

#include "core/diag.h"
#include "core/state.h"
#include "core/verb.h"
#include "records/record_stream.h"
#include "records/tuple.h"
#include "sort/sort_line.h"
#include "support/line_reader.h"
#include "support/safe_text.h"

namespace trawl {

namespace {

// Of an error response's body only the start is kept: its first line is
// the query's message, and a server may send megabytes of it.
constexpr size_t error_text_limit = 512;

// The window and offset a system cannot apply itself; saved JSON input is
// shown as it was saved.
bool locally_kept(const run_state& state, fetch& f, const pdns_tuple& tup) {
  if (!state.psys->filters_locally || !f.easy) return true;
  query& q = *f.qry;
  if (!window_keeps(q.qp, tup)) return false;
  if (q.skipped < q.qp.offset) {
    ++q.skipped;
    return false;
  }
  return true;
}

// A line past the bound: the transfer ends here, and what came before it
// stands.
void overflow(run_state& state, fetch& f) {
  static_assert(max_line_bytes == 67108864, "the text names the bound");
  static constexpr const char* text = "record line longer than 67108864 bytes";
  log_line("%s", text);
  state.exit_status = 1;
  query& q = *f.qry;
  if (!q.status) query_status(q, "ERROR", text);
  f.buf.clear();
  if (state.psys->encap == encap_saf) f.cond = cond_truncated;
  f.stopped = true;
  f.discard = true;
}

}  // namespace

void http_error(const run_options& opts, run_state& state, fetch& f) {
  query& q = *f.qry;
  const std::string first = safe_text(f.buf.substr(0, f.buf.find_first_of("\r\n")));
  f.buf.clear();
  const char* status = state.psys->status(*state.psys, f);
  if (!q.status) query_status(q, status, first.c_str());
  if (strcmp(status, "NOERROR") != 0) state.exit_status = 1;
  if (!opts.quiet) {
    char* url = nullptr;
    curl_easy_getinfo(f.easy.get(), CURLINFO_EFFECTIVE_URL, &url);
    warning("libcurl %ld [%s] %s", f.rcode, url != nullptr ? url : "", first.c_str());
  }
}

int data_blob(fetch& f, std::string_view line) {
  writer& wr = *f.qry->wr;
  const run_options& opts = *wr.opts;
  run_state& state = *wr.state;
  const bool framed = state.psys != nullptr && state.psys->encap == encap_saf;
  pdns_tuple tup;
  if (std::optional<tuple_error> error = tuple_make(tup, line, opts, framed)) {
    if (error->not_json)
      warning("json_loadb: %s", safe_text(error->text).c_str());
    else
      log_line("%s", error->text.c_str());
    return 0;
  }
  int result = 0;
  if ((!framed || pdns_blob(f, tup)) && locally_kept(state, f, tup)) {
    if (opts.sorting != sort_none) {
      result = sort_line_write(wr, tup, line);
    } else {
      opts.presenter_selected->function(opts, state, tup, f.qry, wr);
      check_output();
      result = 1;
    }
  }
  tuple_unmake(tup);
  return result;
}

size_t writer_deliver(fetch& f, const char* data, size_t size, size_t count) {
  const size_t bytes = size * count;
  query& q = *f.qry;
  writer& wr = *q.wr;
  const run_options& opts = *wr.opts;
  run_state& state = *wr.state;
  debug_line(3, "writer_func(%d, %d): %d\n", static_cast<int>(size), static_cast<int>(count),
             static_cast<int>(bytes));
  if (f.discard) return 0;
  if (opts.batching == batch_tagged && !q.header_printed) {
    printf("++ %s\n", q.descr ? q.descr->c_str() : "");
    q.header_printed = true;
  }
  if (f.easy) {
    if (f.rcode == 0) curl_easy_getinfo(f.easy.get(), CURLINFO_RESPONSE_CODE, &f.rcode);
    if (f.rcode != 200) {
      // Reported once, when the transfer ends; the body is never decoded.
      if (f.buf.size() < error_text_limit)
        f.buf.append(data, std::min(bytes, error_text_limit - f.buf.size()));
      return bytes;
    }
  }
  const bool framed = state.psys->encap == encap_saf;
  // One line of the body; false when the output limit has ended the stream.
  const auto take_line = [&](std::string_view line) {
    if (line.size() > max_line_bytes ||
        (wr.meta && wr.ps_buf.size() + line.size() > max_line_bytes)) {
      overflow(state, f);
      return false;
    }
    if (opts.sorting != sort_none || wr.output_limit <= 0 || wr.count < wr.output_limit) {
      if (wr.meta) {
        wr.ps_buf.append(line);
        wr.ps_buf += '\n';
      } else {
        wr.count += data_blob(f, line);
        if (framed && ends_stream(f.cond)) f.stopped = true;
      }
      return true;
    }
    debug_line(9, "hit output limit %ld\n", static_cast<long>(q.qp.output_limit));
    if (framed) f.cond = cond_truncated;
    f.stopped = true;
    f.discard = true;
    return false;
  };

  // Complete lines are taken where they arrived; only the partial line at
  // the end of a delivery is kept, and every byte is searched once.
  const char* p = data;
  const char* const end = data + bytes;
  if (!f.buf.empty()) {
    const char* nl = static_cast<const char*>(memchr(p, '\n', static_cast<size_t>(end - p)));
    if (nl == nullptr) {
      f.buf.append(p, static_cast<size_t>(end - p));
      p = end;
    } else {
      f.buf.append(p, static_cast<size_t>(nl - p));
      p = nl + 1;
      const bool go_on = take_line(f.buf);
      f.buf.clear();
      if (!go_on) return 0;
    }
  }
  while (p < end) {
    const char* nl = static_cast<const char*>(memchr(p, '\n', static_cast<size_t>(end - p)));
    if (nl == nullptr) break;
    if (!take_line(std::string_view(p, static_cast<size_t>(nl - p)))) return 0;
    p = nl + 1;
  }
  f.buf.append(p, static_cast<size_t>(end - p));
  if (f.buf.size() > max_line_bytes) {
    overflow(state, f);
    return 0;
  }
  return bytes;
}

size_t writer_func(char* data, size_t size, size_t count, void* userdata) {
  fetch& f = *static_cast<fetch*>(userdata);
  try {
    return writer_deliver(f, data, size, count);
  } catch (...) {
    f.qry->wr->state->callback_failure = std::current_exception();
    return 0;
  }
}

}  // namespace trawl
