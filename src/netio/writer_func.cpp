#include <cstdio>
#include <cstring>
#include <new>

#include "trawl/diag.h"
#include "trawl/netio.h"
#include "trawl/pdns_system.h"
#include "trawl/present.h"
#include "trawl/settings.h"

namespace trawl {

namespace {

// An error response: its first line is the query's message, the rest is dropped.
void error_response(fetch& f, query& q) {
  const size_t cut = f.buf.find_first_of("\r\n");
  const std::string first = f.buf.substr(0, cut);
  if (!q.status) query_status(q, psys->status(f), first.c_str());
  if (!quiet) {
    char* url = nullptr;
    curl_easy_getinfo(f.easy.get(), CURLINFO_EFFECTIVE_URL, &url);
    log_line("warning: libcurl %ld [%s] %s", f.rcode, url != nullptr ? url : "", first.c_str());
  }
  f.buf.clear();
}

bool ends_stream(int cond) {
  return cond == cond_succeeded || cond == cond_limited || cond == cond_failed ||
         cond == cond_truncated;
}

size_t deliver(fetch& f, const char* data, size_t size, size_t count) {
  const size_t bytes = size * count;
  size_t result = bytes;
  query& q = *f.qry;
  writer& wr = *q.wr;
  if (debug_level >= 3)
    debug_line(true, "writer_func(%d, %d): %d\n", static_cast<int>(size), static_cast<int>(count),
               static_cast<int>(bytes));
  if (batching == batch_tagged && !q.header_printed) {
    printf("++ %s\n", q.descr ? q.descr->c_str() : "");
    q.header_printed = true;
  }
  f.buf.append(data, bytes);

  if (f.easy) {
    if (f.rcode == 0) curl_easy_getinfo(f.easy.get(), CURLINFO_RESPONSE_CODE, &f.rcode);
    if (f.rcode != 200) {
      error_response(f, q);
      return bytes;
    }
  }

  // Lines are cut from the front of buf; the partial line after the last
  // newline stays for the next delivery.
  size_t start = 0;
  for (;;) {
    const size_t nl = f.buf.find('\n', start);
    if (nl == std::string::npos) break;
    const size_t length = nl - start;
    if (sorting != sort_none || wr.output_limit <= 0 || wr.count < wr.output_limit) {
      if (wr.meta) {
        wr.ps_buf.append(f.buf, start, length + 1);
      } else {
        wr.count += data_blob(f, std::string_view(f.buf).substr(start, length));
        if (psys->encap == encap_saf && ends_stream(f.saf_cond)) f.stopped = true;
      }
    } else {
      if (debug_level >= 9)
        debug_line(true, "hit output limit %ld\n", static_cast<long>(q.qp.output_limit));
      if (psys->encap == encap_saf) f.saf_cond = cond_truncated;
      f.stopped = true;
      result = 0;
    }
    start += length + 1;
  }
  f.buf.erase(0, start);
  return result;
}

}  // namespace

size_t writer_func(char* data, size_t size, size_t count, void* userdata) {
  // No exception may cross back into the library.
  try {
    return deliver(*static_cast<fetch*>(userdata), data, size, count);
  } catch (const std::bad_alloc&) {
    panic_exit("malloc");
  } catch (...) {
    log_line("writer_func: unexpected failure");
    clean_exit(1);
  }
}

}  // namespace trawl
