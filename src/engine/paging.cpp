#include "engine/paging.h"

#include <strings.h>

#include <chrono>
#include <cstring>
#include <functional>

#include "core/diag.h"
#include "engine/fetch.h"
#include "records/record_stream.h"

namespace trawl {

namespace {

// Where a page begins, as messages name it.
std::string page_position(const page_state& page) {
  if (page.cursor) return "cursor " + *page.cursor;
  if (page.number == 1 && page.offset == 0) return "the start";
  return "offset " + std::to_string(page.offset);
}

const char* condition_name(saf_cond cond) {
  switch (cond) {
    case saf_cond::none:
      return "no condition";
    case saf_cond::begin:
    case saf_cond::ongoing:
    case saf_cond::missing:
      return "no terminator";
    case saf_cond::succeeded:
      return "succeeded";
    case saf_cond::limited:
      return "limited";
    case saf_cond::failed:
      return "failed";
    case saf_cond::truncated:
      return "cut at the output limit";
  }
  return "";
}

// What went wrong with a page that did not arrive whole.
std::string failed_page(const fetch& f, CURLcode result, const query& q) {
  const std::string at = page_position(f.page);
  if (f.rcode != 0 && f.rcode != 200)
    return "the server refused the page at " + at + " (HTTP " + std::to_string(f.rcode) + ")";
  if (result != CURLE_OK) return "the page at " + at + " failed: " + curl_easy_strerror(result);
  return "the page at " + at + " failed: " + q.message.value_or("no answer");
}

// The same fetch again, for its next page: what the last transfer left is
// no part of the next one's answer.
void ask_next_page(const run_options& opts, run_state& state, fetch& f) {
  curl_multi_remove_handle(state.engine.multi.get(), f.easy.get());
  f.buf.clear();
  f.scanned = 0;
  f.rcode = 0;
  f.stopped = false;
  f.discard = false;
  f.refused = 0;
  f.cond = saf_cond::none;
  f.saf_msg.reset();
  f.attempts = 1;
  f.first_attempt = std::chrono::steady_clock::now();
  f.from_store = false;
  page_state& page = f.page;
  page.previous_records = page.records;
  page.previous_digest = page.digest;
  page.records = 0;
  page.digest = 0;
  page.next_cursor.reset();
  page.cut_report.reset();
  ++page.number;
  std::string url = f.url;
  fetch_request(opts, state, f, std::move(url));
  fetch_start(opts, state, f);
}

}  // namespace

namespace {

// "Name: value" of one header line, or false when the line is none (the
// blank line that ends them).
bool split_header(std::string_view line, std::string_view& name, std::string_view& value) {
  // A line ends at its first CR or LF, whatever a server put after it.
  line = line.substr(0, line.find_first_of("\r\n"));
  const size_t colon = line.find(':');
  if (colon == std::string_view::npos) return false;
  name = line.substr(0, colon);
  value = line.substr(colon + 1);
  const size_t start = value.find_first_not_of(" \t");
  value = start == std::string_view::npos ? std::string_view() : value.substr(start);
  while (!value.empty() && (value.back() == ' ' || value.back() == '\t')) value.remove_suffix(1);
  return true;
}

bool same_name(std::string_view a, std::string_view b) {
  return a.size() == b.size() && strncasecmp(a.data(), b.data(), a.size()) == 0;
}

}  // namespace

void page_header(page_state& page, std::string_view line) {
  std::string_view name, value;
  if (line.starts_with("HTTP/")) {
    page.next_cursor.reset();
    page.cut_report.reset();
  } else if (split_header(line, name, value)) {
    if (same_name(name, "x-dribble-cursor")) page.next_cursor = std::string(value);
    if (same_name(name, "x-dribble-errors")) page.cut_report = std::string(value);
  }
}

void page_count_record(fetch& f, std::string_view line) {
  page_state& page = f.page;
  ++page.records;
  if (!page.follow) return;
  // Each line's hash mixed into the page's, in order.
  const uint64_t h = std::hash<std::string_view>{}(line);
  page.digest = (page.digest ^ h) * 1099511628211ULL + 0x9e3779b97f4a7c15ULL;
}

bool page_ended(const run_options& opts, run_state& state, fetch& f, CURLcode result) {
  page_state& page = f.page;
  query& q = *f.qry;
  writer& wr = *q.wr;
  if (!page.follow || wr.meta) return false;
  debug_line(
      1, "page %d of %s at %s: %ld records, %s\n", page.number, q.detail.descr.value_or("").c_str(),
      page_position(page).c_str(), static_cast<long>(page.records),
      wr.stream.framed ? condition_name(f.cond) : ("HTTP " + std::to_string(f.rcode)).c_str());
  // The output limit ended it: complete as far as asked.
  if (f.cond == saf_cond::truncated ||
      (!wr.sorting && wr.output_limit > 0 && wr.count >= wr.output_limit))
    return false;

  const bool http_failed = f.rcode != 0 && f.rcode != 200;
  const bool failed = (result != CURLE_OK && !f.stopped) || f.failed || http_failed ||
                      f.cond == saf_cond::missing || f.cond == saf_cond::failed;
  if (failed) {
    // A first page that failed fails its query as without --all; a later
    // one leaves an answer begun and not ended. An answer without results
    // (the version-1 API's 404) ends it.
    if (page.number == 1 && q.records == 0) return false;
    if (http_failed && q.status && *q.status == "NOERROR") return false;
    query_incomplete(q, failed_page(f, result, q));
    state.exit_status = 1;
    return false;
  }
  if (page.number > 1 && page.records > 0 && page.records == page.previous_records &&
      page.digest == page.previous_digest) {
    query_incomplete(q, "the server repeated a page");
    state.exit_status = 1;
    return false;
  }
  const page_step step = state.psys->next_page(*state.psys, opts, state.settings, f);
  switch (step.outcome) {
    case page_outcome::complete:
      return false;
    case page_outcome::incomplete:
      query_incomplete(q, step.reason);
      state.exit_status = 1;
      return false;
    case page_outcome::next:
      break;
  }
  debug_line(2, "next page: %s\n", f.url.c_str());
  ask_next_page(opts, state, f);
  return true;
}

}  // namespace trawl
