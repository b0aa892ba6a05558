#include "engine/writer_func.h"

#include <algorithm>
#include <cstring>
#include <exception>

#include "core/diag.h"
#include "core/verb.h"
#include "engine/paging.h"
#include "records/lookahead.h"
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
bool locally_kept(const writer& wr, fetch& f, const pdns_tuple& tup) {
  if (!wr.stream.filters_locally || !f.easy) return true;
  query& q = *f.qry;
  if (!window_keeps(q.detail.qp, tup)) return false;
  if (q.skipped < q.detail.qp.offset) {
    ++q.skipped;
    return false;
  }
  return true;
}

// Ends the stream where it stands: what came before stays.
void stop_stream(writer& wr, fetch& f, saf_cond cond) {
  if (wr.stream.framed) f.cond = cond;
  f.stopped = true;
  f.discard = true;
}

// A line past the bound: the transfer ends here, and what came before it
// stands, but the answer was not taken whole.
void overflow(fetch& f) {
  static_assert(max_line_bytes == 67108864, "the text names the bound");
  static constexpr const char* text = "record line longer than 67108864 bytes";
  log_line("%s", text);
  f.failed = true;
  query& q = *f.qry;
  if (!q.status) query_status(q, "ERROR", text);
  f.buf.clear();
  stop_stream(*q.wr, f, saf_cond::truncated);
}

// A stream of bad lines must not flood the terminal: each fetch reports
// this many one by one, and counts the rest.
constexpr size_t shown_refusals = 10;

template <typename Report>
void refuse_line(fetch& f, Report report) {
  if (++f.refused <= shown_refusals) report();
}

bool is_blank(std::string_view line) {
  return line.find_first_not_of(" \t\r") == std::string_view::npos;
}

// What follows a framed stream's terminator is no part of it: said once, and
// the rest of the answer is not read.
bool past_the_end(writer& wr, fetch& f) {
  if (!wr.stream.framed || !ends_stream(f.cond) || f.cond == saf_cond::truncated) return false;
  warning("ignoring what follows the end of the stream");
  f.discard = true;
  return true;
}

// Tells the listener, once, that the query's answer is about to be handled.
void report_answer_start(query& q) {
  if (q.answer_reported) return;
  q.answer_reported = true;
  if (q.wr->events.answer_started) q.wr->events.answer_started(q);
}

// One line of the body; false when the stream has ended for this program.
bool take_line(fetch& f, std::string_view line) {
  writer& wr = *f.qry->wr;
  if (line.size() > max_line_bytes ||
      (wr.meta && wr.meta_body.size() + line.size() > max_line_bytes)) {
    overflow(f);
    return false;
  }
  // Blank lines carry nothing, whatever sent them.
  if (!wr.meta && is_blank(line)) return true;
  if (past_the_end(wr, f)) return false;
  if (!wr.sorting && wr.output_limit > 0 && wr.count >= wr.output_limit) {
    debug_line(9, "hit output limit %ld\n", static_cast<long>(f.qry->detail.qp.output_limit));
    stop_stream(wr, f, saf_cond::truncated);
    return false;
  }
  if (wr.meta) {
    wr.meta_body.append(line);
    wr.meta_body += '\n';
  } else {
    const int out = data_blob(f, line);
    wr.count += out;
    f.qry->records += out;
    if (wr.stream.framed && ends_stream(f.cond)) f.stopped = true;
  }
  return true;
}

// Complete lines are taken where they arrived; only the partial line at the
// end of a delivery is kept, and every byte is searched once. False when the
// stream has ended for this program.
bool cut_lines(fetch& f, std::string_view data) {
  if (!f.buf.empty()) {
    const size_t nl = data.find('\n');
    if (nl == std::string_view::npos) {
      f.buf.append(data);
      data = {};
    } else {
      f.buf.append(data.substr(0, nl));
      data.remove_prefix(nl + 1);
      const bool go_on = take_line(f, f.buf);
      f.buf.clear();
      if (!go_on) return false;
    }
  }
  for (size_t nl = data.find('\n'); nl != std::string_view::npos; nl = data.find('\n')) {
    if (!take_line(f, data.substr(0, nl))) return false;
    data.remove_prefix(nl + 1);
  }
  f.buf.append(data);
  if (f.buf.size() > max_line_bytes) {
    overflow(f);
    return false;
  }
  return true;
}

}  // namespace

void http_error(const run_options& opts, run_state& state, fetch& f) {
  query& q = *f.qry;
  std::string first = safe_text(f.buf.substr(0, f.buf.find_first_of("\r\n")));
  f.buf.clear();
  // Never followed, so that the key goes to no other server; where it
  // pointed tells the user which server to name instead.
  char* location = nullptr;
  if (f.rcode >= 300 && f.rcode < 400 &&
      curl_easy_getinfo(f.easy.get(), CURLINFO_REDIRECT_URL, &location) == CURLE_OK &&
      location != nullptr)
    first = "redirected to " + safe_text(location) + " (not followed)";
  const char* status = state.psys->status(*state.psys, f);
  if (!q.status) query_status(q, status, first.c_str());
  if (strcmp(status, "NOERROR") != 0) state.exit_status = 1;
  if (!opts.quiet) {
    // A stored answer had no transfer: its request's URL is the one a
    // transfer would report.
    char* url = nullptr;
    if (!f.from_store) curl_easy_getinfo(f.easy.get(), CURLINFO_EFFECTIVE_URL, &url);
    warning("libcurl %ld [%s] %s", f.rcode,
            f.from_store     ? f.url.c_str()
            : url != nullptr ? url
                             : "",
            first.c_str());
  }
}

int data_blob(fetch& f, std::string_view line) {
  writer& wr = *f.qry->wr;
  const bool framed = wr.stream.framed;
  pdns_tuple tup;
  // A record bound for the sort program is presented from its line later.
  const auto make = wr.sorting ? tuple_make_values : tuple_make;
  if (std::optional<tuple_error> error = make(tup, line, wr.stream.transforms, framed)) {
    refuse_line(f, [&] {
      if (error->not_json)
        warning("json_loadb: %s", safe_text(error->text).c_str());
      else
        log_line("%s", error->text.c_str());
    });
    return 0;
  }
  if (wr.stream.records_only && !tuple_is_record(tup)) {
    refuse_line(f, [&] { warning("not a record: %s", safe_text(line.substr(0, 80)).c_str()); });
    tuple_unmake(tup);
    return 0;
  }
  int result = 0;
  if (!framed || pdns_blob(f, tup)) {
    page_count_record(f, line);
    if (!locally_kept(wr, f, tup)) {
      tuple_unmake(tup);
      return 0;
    }
    result = wr.record_hook ? wr.record_hook(f, tup, line)
                            : present_record(wr, tup, line, &f.qry->detail);
  }
  tuple_unmake(tup);
  return result;
}

int present_record(writer& wr, const pdns_tuple& tup, std::string_view line,
                   const query_detail* detail) {
  if (wr.sorting) return sort_line_write(wr, tup, line);
  lookahead_present(wr, tup, line, detail);
  return 1;
}

void report_refused_lines(const fetch& f) {
  if (f.refused > shown_refusals)
    warning("%zu more lines could not be read as records", f.refused - shown_refusals);
}

size_t writer_deliver(fetch& f, const char* data, size_t size, size_t count) {
  const size_t bytes = size * count;
  debug_line(3, "writer_func(%d, %d): %d\n", static_cast<int>(size), static_cast<int>(count),
             static_cast<int>(bytes));
  if (f.discard) return 0;
  f.qry->wr->received += static_cast<int64_t>(bytes);
  report_answer_start(*f.qry);
  if (f.easy) {
    if (f.rcode == 0) curl_easy_getinfo(f.easy.get(), CURLINFO_RESPONSE_CODE, &f.rcode);
    if (f.rcode != 200) {
      // Reported once, when the transfer ends; the body is never decoded.
      if (f.buf.size() < error_text_limit) {
        const std::string_view kept(data, std::min(bytes, error_text_limit - f.buf.size()));
        f.buf.append(kept);
        if (f.recording) f.recording->append(kept);
      }
      return bytes;
    }
  }
  // As received, for the store: a replay must go the same way.
  if (f.recording) f.recording->append(std::string_view(data, bytes));
  return cut_lines(f, std::string_view(data, bytes)) ? bytes : 0;
}

size_t writer_func(char* data, size_t size, size_t count, void* userdata) {
  fetch& f = *static_cast<fetch*>(userdata);
  try {
    return writer_deliver(f, data, size, count);
  } catch (...) {
    f.engine->callback_failure = std::current_exception();
    return 0;
  }
}

}  // namespace trawl
