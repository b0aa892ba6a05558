// Writers, queries and fetches: the records the transfer engine moves data
// through. A writer owns its queries, a query its fetches.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <cstdio>
#include <list>
#include <memory>
#include <optional>
#include <string>

#include "core/qparam.h"
#include "support/curl_handles.h"
#include "support/file_handles.h"

namespace trawl {

struct writer;
struct query;
struct run_options;
struct run_state;

// Framing condition of one fetch's stream.
enum saf_cond {
  cond_none = 0,
  cond_begin = 1,
  cond_ongoing = 2,
  cond_succeeded = 3,
  cond_limited = 4,
  cond_failed = 5,
  cond_truncated = 6,
  cond_missing = 7,
};

struct fetch {
  query* qry = nullptr;  // back reference; cleared when unlinked
  curl_slist_ptr headers;
  curl_easy_ptr easy;      // none only for the JSON input fetch
  CURLM* multi = nullptr;  // borrowed: the engine's handle while the transfer is added
  std::string url;
  std::string buf;     // bytes received, not yet cut into lines
  size_t scanned = 0;  // bytes at the start of buf known to hold no newline
  long rcode = 0;
  bool stopped = false;  // this program ended the stream: no failure to report
  bool discard = false;  // whatever else arrives is dropped
  saf_cond cond = cond_none;
  std::optional<std::string> saf_msg;

  fetch() = default;
  fetch(const fetch&) = delete;
  fetch& operator=(const fetch&) = delete;
  ~fetch();  // takes the transfer out of the engine before releasing it
};

struct query {
  std::list<std::unique_ptr<fetch>> fetches;  // newest first
  writer* wr = nullptr;                       // back reference
  qparam qp;
  std::optional<std::string> descr;
  search_mode mode = mode_none;
  bool multitype = false;
  int64_t skipped = 0;  // results passed over for the offset, when filtering locally
  std::optional<std::string> status;
  std::optional<std::string> message;
  bool header_printed = false;
};

struct writer {
  // The run this writer serves; borrowed, they outlive every writer.
  const run_options* opts = nullptr;
  run_state* state = nullptr;
  std::list<std::unique_ptr<query>> queries;  // newest first
  file_ptr sort_stdin;
  std::string sort_pending;  // sort lines not yet written to the child
  file_ptr sort_stdout;
  pid_t sort_pid = 0;
  bool sort_killed = false;
  bool csv_header_done = false;
  bool meta = false;
  std::string ps_buf;  // text waiting for the sink
  void (*ps_user)(writer& wr) = nullptr;
  int64_t output_limit = 0;
  int count = 0;
};

// Puts a query at the head of the writer's list and returns it.
query& writer_add_query(writer& wr, std::unique_ptr<query> q);

void query_status(query& q, const char* status, const char* message);

// Removes the fetch from its query's list and hands ownership to the caller.
std::unique_ptr<fetch> fetch_unlink(fetch& f);

}  // namespace trawl
