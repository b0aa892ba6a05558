// The answer store: complete answers kept in one SQLite file, so that a
// query asked again costs the service no request and works without a
// network. An answer is its body, in chunks as it arrived, and what the
// transfer said of it; it is found by a key that its caller derives from
// everything that shapes it. Each answer is written in one transaction, and
// read in one, so that another process sees it whole or not at all, and a
// process killed while writing leaves no trace of it.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "support/result.h"
#include "support/sha256.h"
#include "support/spool.h"
#include "support/sqlite_handles.h"

namespace trawl {

// What is kept of an answer beside its body.
struct stored_meta {
  std::string system;  // the name of the system that gave it
  long status = 200;   // its HTTP code
  std::string ending;  // how it ended ("succeeded", "limited", "complete", "no records")
  std::optional<std::string> next_cursor;  // the response's cursor of the next page
  std::optional<std::string> cut_report;   // the service's report of an answer it cut
  int64_t stored = 0;                      // when, in seconds since the epoch
  int64_t bytes = 0;                       // of the body
};

// What --cache-info shows.
struct store_summary {
  int64_t answers = 0;
  int64_t bytes = 0;
  int64_t oldest = 0;  // when the oldest answer was stored; 0 without answers
  int64_t newest = 0;
};

class answer_store {
 public:
  // Opens the store at path, making the file (mode 0600) and its tables if
  // need be; the reason it cannot otherwise. busy_ms is how long a
  // statement waits for another process's write to end.
  static result<std::unique_ptr<answer_store>> open(const std::string& path, int busy_ms);

  answer_store(const answer_store&) = delete;
  answer_store& operator=(const answer_store&) = delete;

  const std::string& path() const { return path_; }

  // The answer under key stored after `oldest`: its metadata goes to
  // `found`, then its body, chunk by chunk, to `body`, which may refuse a
  // chunk to stop. All of it is read within one snapshot of the store.
  // True when there was such an answer, false when not; the error text when
  // the store could not be read. A found answer counts as used at `now_us`
  // (microseconds: which was used last decides which goes first).
  result<bool> replay(const sha256_digest& key, int64_t oldest, int64_t now_us,
                      const std::function<void(const stored_meta&)>& found,
                      const std::function<bool(std::string_view)>& body);

  // Keeps the answer under key, stored at `now` (seconds) and used at
  // `now_us`, replacing any answer there, in one transaction; then drops the
  // answers used least recently until the bodies of those left take at most
  // max_bytes. The error text when it could not be written.
  std::optional<std::string> store(const sha256_digest& key, const stored_meta& meta, spool& body,
                                   int64_t now, int64_t now_us, uint64_t max_bytes);

  result<store_summary> summary();

  // Removes every answer and gives their space back; how many there were.
  result<int64_t> clear();

 private:
  answer_store(sqlite_db_ptr db, std::string path) : db_(std::move(db)), path_(std::move(path)) {}

  std::optional<std::string> evict(uint64_t max_bytes);
  std::optional<std::string> exec(const char* sql);
  std::string failure_text() const;
  result<sqlite_stmt_ptr> prepare(const char* sql);

  sqlite_db_ptr db_;
  std::string path_;
};

}  // namespace trawl
