// Writers, queries and fetches, and the transfer engine that moves data through them.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <cstdio>
#include <list>
#include <memory>
#include <optional>
#include <string>

#include "trawl/curl_handles.h"
#include "trawl/qparam.h"

namespace trawl {

struct writer;
struct query;

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
  curl_easy_ptr easy;  // none only for the JSON input fetch
  std::string url;
  std::string buf;  // bytes received, not yet cut into lines
  long rcode = 0;
  bool stopped = false;
  int saf_cond = cond_none;
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
  int mode = 0;
  bool multitype = false;
  std::optional<std::string> status;
  std::optional<std::string> message;
  bool header_printed = false;
};

// A child process's stdio stream, closed with fclose.
struct file_closer {
  void operator()(FILE* f) const { fclose(f); }
};
using file_ptr = std::unique_ptr<FILE, file_closer>;

struct writer {
  std::list<std::unique_ptr<query>> queries;  // newest first
  file_ptr sort_stdin;
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

// Every open writer, newest first.
extern std::list<std::unique_ptr<writer>> writers;

writer& writer_init(int64_t output_limit, void (*ps_user)(writer&), bool meta);
void writer_fini(writer& wr);
void writer_fini_all();
void ps_stdout(writer& wr);

// Puts a query at the head of the writer's list and returns it.
query& writer_add_query(writer& wr, std::unique_ptr<query> q);

fetch& fetch_init(query& q, std::string url);
void query_status(query& q, const char* status, const char* message);
// Removes the fetch from its query's list and hands ownership to the caller.
std::unique_ptr<fetch> fetch_unlink(fetch& f);

void engine_init();
void engine_fini();
void io_engine(int n);
void io_drain();
size_t writer_func(char* data, size_t size, size_t count, void* userdata);
int curl_debug_trace(CURL* handle, curl_infotype type, char* data, size_t size, void* userdata);
CURLM* engine_multi();

// The library's URL escaping; nullopt when it fails.
std::optional<std::string> escape(const std::string& text);

}  // namespace trawl
