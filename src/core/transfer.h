// Writers, queries and fetches: the records the transfer engine moves data
// through. A writer owns its queries, a query its fetches.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <deque>
#include <exception>
#include <functional>
#include <list>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/present.h"
#include "core/qparam.h"
#include "support/curl_handles.h"
#include "support/file_handles.h"
#include "support/spool.h"

namespace trawl {

struct writer;
struct query;
struct fetch;

// Framing condition of one fetch's stream; the numbers appear in debug output.
enum class saf_cond {
  none = 0,
  begin = 1,
  ongoing = 2,
  succeeded = 3,
  limited = 4,
  failed = 5,
  truncated = 6,
  missing = 7,
};

// A fetch asked again once its time comes; meanwhile its transfer is out
// of the multi handle.
struct fetch_due {
  fetch* f;
  std::chrono::steady_clock::time_point due;
};

// The transfer library's multi handle and what its callbacks hand back.
struct transfer_engine {
  curl_multi_ptr multi;  // none when the engine is not started
  bool curl_started = false;
  // A failure met inside a transfer-library callback, rethrown once the
  // library has returned: no exception may unwind through its frames.
  std::exception_ptr callback_failure;
  // A hint is given once a run, however many transfers fail alike.
  bool key_hint_given = false;
  bool certificate_hint_given = false;
  std::vector<fetch_due> waiting;     // fetches waiting to be asked again
  std::vector<fetch*> store_lookups;  // fetches to be answered from the store if it can
  // A crawl's bound on requests (--budget): those to the network, pages
  // included; answers from the store and retries are free.
  bool budget_on = false;
  long budget_left = 0;
  int started = 0;             // transfers added since the library last counted those running
  std::function<void()> tick;  // called as transfers run, about ten times a second
};

// One fetch's answer, followed across the pages a server cuts it into
// (--all): where the page being fetched begins, and what the page before it
// held. The engine keeps it; the back end says what the next page is.
struct page_state {
  bool follow = false;                     // --all: the pages are followed
  std::string path;                        // the request path, for the next page's URL
  time_fence fence;                        // and its time keys
  int number = 1;                          // of the page being fetched, from 1
  int64_t offset = 0;                      // its first result, when paged by offset
  std::optional<std::string> cursor;       // the cursor it was asked with, when paged by cursor
  int64_t records = 0;                     // record lines it gave
  uint64_t digest = 0;                     // of those lines
  int64_t previous_records = 0;            // the same of the page before it: a server that
  uint64_t previous_digest = 0;            // ignores the offset gives that page again
  std::optional<std::string> next_cursor;  // what its response says comes next
  std::optional<std::string> cut_report;   // the service's report of an answer it cut
};

struct fetch {
  query* qry = nullptr;  // back reference; cleared when unlinked
  curl_slist_ptr headers;
  curl_easy_ptr easy;                 // none only for the JSON input fetch
  transfer_engine* engine = nullptr;  // borrowed while the transfer is added to it
  std::string url;
  // The request headers that shape the answer (Accept, a system's own); the
  // credential's header comes from the system's auth beside them.
  std::vector<std::string> answer_headers;
  page_state page;
  // The answer's body as it arrives, to be stored once it has ended whole.
  std::unique_ptr<spool> recording;
  bool from_store = false;  // the answer came from the store, not the network
  std::string buf;          // bytes received, not yet cut into lines
  size_t scanned = 0;       // bytes at the start of buf known to hold no newline
  long rcode = 0;
  bool stopped = false;  // this program ended the stream: no failure to report
  bool discard = false;  // whatever else arrives is dropped
  bool failed = false;   // the answer could not be taken whole: the run has failed
  size_t refused = 0;    // lines that could not be read as records
  saf_cond cond = saf_cond::none;
  std::optional<std::string> saf_msg;
  int attempts = 1;  // of its transfer, the retries included
  std::chrono::steady_clock::time_point first_attempt = std::chrono::steady_clock::now();

  fetch() = default;
  fetch(const fetch&) = delete;
  fetch& operator=(const fetch&) = delete;
  ~fetch();  // takes the transfer out of the engine, and off its waiting list, before releasing it
};

struct query {
  std::list<std::unique_ptr<fetch>> fetches;  // newest first
  writer* wr = nullptr;                       // back reference
  query_detail detail;
  bool multitype = false;
  int64_t skipped = 0;  // results passed over for the offset, when filtering locally
  std::optional<std::string> status;
  std::optional<std::string> message;
  bool answer_reported = false;  // the listener heard that the answer began
  int64_t records = 0;           // its records presented or sorted, every page and fetch
  // Why its answer stopped before its end (--all); the status is then ERROR.
  std::optional<std::string> incomplete;
  bool not_stored = false;  // --offline, and the store held no answer for it
  // Fetches the crawl's budget kept from being asked at all, and those whose
  // answers it cut after some pages.
  int fetches_unasked = 0;
  int fetches_cut = 0;
};

// What the transfer engine tells the run mode about a writer's queries; the
// run mode decides what, if anything, to print.
struct query_listener {
  // The query's answer is about to be handled (its first bytes arrived, or it
  // ended without any): said once per query, before its first record.
  std::function<void(query&)> answer_started;
  // The query's last fetch has ended; f is that fetch.
  std::function<void(query&, const fetch& f)> finished;
};

// How a writer reads the lines of its answers, fixed when it is made.
struct stream_settings {
  bool framed = false;           // every line carries the streaming framing
  bool filters_locally = false;  // the system cannot narrow by time or skip results
  transform_set transforms;      // owner-name transforms made while decoding
  bool records_only = false;     // JSON that is not a record is refused, not presented
};

// A record held back, in arrival order, until the origin-AS lookups of its
// values are answered (-a): its line as received, to be decoded again when
// its turn comes, and the query names it waits for.
struct held_record {
  std::string line;
  const query_detail* detail = nullptr;  // the query's, which outlives the hold
  std::vector<std::string> names;
  size_t answered = 0;  // names at the front known to be answered
};

struct pdns_tuple;

struct writer {
  writer(const presentation& settings, output_sink& sink) : present(settings, sink) {}
  writer(const writer&) = delete;
  writer& operator=(const writer&) = delete;

  std::list<std::unique_ptr<query>> queries;  // newest first
  stream_settings stream;
  const presenter* pres = nullptr;
  present_context present;
  bool sorting = false;
  file_ptr sort_stdin;
  std::string sort_pending;  // sort lines not yet written to the child
  file_ptr sort_stdout;
  pid_t sort_pid = 0;
  bool sort_killed = false;
  bool meta = false;      // lines are collected whole, not decoded as records
  std::string meta_body;  // what a meta writer collected
  query_listener events;
  int64_t output_limit = 0;
  int count = 0;            // records presented, held or sent to the sort program
  int64_t received = 0;     // body bytes taken in, for the progress line
  bool incomplete = false;  // the sort program failed: its output, and so ours, is short
  // A run mode's own handling of each record, in place of presenting it (a
  // crawl orders and deduplicates them): how many went out now.
  std::function<int(fetch& f, const pdns_tuple& tup, std::string_view line)> record_hook;
  std::deque<held_record> held;  // records waiting for their AS lookups, oldest first
};

// Puts a query at the head of the writer's list and returns it.
query& writer_add_query(writer& wr, std::unique_ptr<query> q);

void query_status(query& q, const char* status, const char* message);

// The query's answer stopped short for `reason`: its status becomes ERROR
// with "incomplete after N records: REASON", whatever it was.
void query_incomplete(query& q, const std::string& reason);

// Removes the fetch from its query's list and hands ownership to the caller.
std::unique_ptr<fetch> fetch_unlink(fetch& f);

}  // namespace trawl
