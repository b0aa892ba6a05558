#include "support/answer_store.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>

namespace trawl {

namespace {

// Version of the tables below, in the file's user_version.
constexpr int schema_version = 1;

constexpr const char* schema =
    "CREATE TABLE IF NOT EXISTS answer ("
    " id INTEGER PRIMARY KEY,"
    " key BLOB NOT NULL UNIQUE,"
    " system TEXT NOT NULL,"
    " status INTEGER NOT NULL,"
    " ending TEXT NOT NULL,"
    " next_cursor TEXT,"
    " cut_report TEXT,"
    " stored INTEGER NOT NULL,"
    " used INTEGER NOT NULL,"
    " bytes INTEGER NOT NULL);"
    "CREATE INDEX IF NOT EXISTS answer_by_use ON answer (used);"
    "CREATE TABLE IF NOT EXISTS chunk ("
    " answer INTEGER NOT NULL,"
    " seq INTEGER NOT NULL,"
    " data BLOB NOT NULL);"
    "CREATE UNIQUE INDEX IF NOT EXISTS chunk_by_answer ON chunk (answer, seq);"
    "PRAGMA user_version = 1;";

// The body is kept in rows of this size: a row is read whole, and a
// million-record answer must not be.
constexpr size_t chunk_bytes = size_t{256} << 10;

// Rolls an open transaction back unless it was committed: a failure half
// way through an answer leaves the store as it was.
class transaction {
 public:
  explicit transaction(sqlite3* db) : db_(db) {}
  transaction(const transaction&) = delete;
  transaction& operator=(const transaction&) = delete;
  ~transaction() {
    if (open_) sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
  }
  // BEGIN (a read) or BEGIN IMMEDIATE (a write, which takes the lock at once
  // rather than fail on upgrading later).
  int begin(bool write) {
    const int rc =
        sqlite3_exec(db_, write ? "BEGIN IMMEDIATE" : "BEGIN", nullptr, nullptr, nullptr);
    open_ = rc == SQLITE_OK;
    return rc;
  }
  int commit() {
    const int rc = sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr);
    if (rc == SQLITE_OK) open_ = false;
    return rc;
  }

 private:
  sqlite3* db_;
  bool open_ = false;
};

std::optional<std::string> text_column(sqlite3_stmt* stmt, int column) {
  if (sqlite3_column_type(stmt, column) == SQLITE_NULL) return std::nullopt;
  const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, column));
  return std::string(text, static_cast<size_t>(sqlite3_column_bytes(stmt, column)));
}

void bind_text(sqlite3_stmt* stmt, int index, const std::optional<std::string>& text) {
  if (text)
    sqlite3_bind_text(stmt, index, text->data(), static_cast<int>(text->size()), SQLITE_TRANSIENT);
  else
    sqlite3_bind_null(stmt, index);
}

void bind_key(sqlite3_stmt* stmt, int index, const sha256_digest& key) {
  sqlite3_bind_blob(stmt, index, key.data(), static_cast<int>(key.size()), SQLITE_TRANSIENT);
}

// How long a store refused while another process sets it up waits before
// asking again.
constexpr int journal_retry_ms = 10;

}  // namespace

result<std::unique_ptr<answer_store>> answer_store::open(const std::string& path, int busy_ms) {
  // Stored answers tell what an analyst investigates: the file is the
  // user's alone from the start (SQLite gives its journal files the same
  // mode).
  const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) return failure(strerror(errno));
  close(fd);
  sqlite3* raw = nullptr;
  const int rc = sqlite3_open_v2(path.c_str(), &raw, SQLITE_OPEN_READWRITE, nullptr);
  sqlite_db_ptr db(raw);
  if (rc != SQLITE_OK) return failure(db ? sqlite3_errmsg(db.get()) : sqlite3_errstr(rc));
  sqlite3_busy_timeout(db.get(), busy_ms);
  std::unique_ptr<answer_store> store(new answer_store(std::move(db), path));
  // Answers are long runs of bytes: large pages take them in far fewer
  // reads and writes. This holds for a new file only (before its journal
  // mode is set), and changes nothing in an old one.
  if (std::optional<std::string> error = store->exec("PRAGMA page_size = 65536"))
    return failure(*error);
  // Readers go on beside a writer, and a killed writer leaves the last
  // committed state. Setting the mode reads the file's header and then
  // writes it; SQLite refuses that upgrade at once, without the busy
  // handler, while another process holds the write lock, as it does while
  // setting up a new file itself. So two processes that find the store
  // missing at the same moment would leave one without it: the refused
  // one asks again for as long as it would have waited for a lock.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(busy_ms);
  while (std::optional<std::string> error = store->exec("PRAGMA journal_mode = WAL")) {
    if (sqlite3_errcode(store->db_.get()) != SQLITE_BUSY ||
        std::chrono::steady_clock::now() >= deadline)
      return failure(*error);
    sqlite3_sleep(journal_retry_ms);
  }
  if (std::optional<std::string> error = store->exec("PRAGMA synchronous = NORMAL"))
    return failure(*error);
  // Few pages are kept: a long answer passes through once, and must leave
  // memory as it found it.
  if (std::optional<std::string> error = store->exec("PRAGMA cache_size = -1024"))
    return failure(*error);
  result<sqlite_stmt_ptr> version = store->prepare("PRAGMA user_version");
  if (!version) return failure(version.error());
  if (sqlite3_step(version->get()) != SQLITE_ROW) return failure(store->failure_text());
  const int found = sqlite3_column_int(version->get(), 0);
  version->reset();
  if (found > schema_version)
    return failure("written by a newer trawl (version " + std::to_string(found) + ")");
  if (found < schema_version) {
    transaction tx(store->db_.get());
    if (tx.begin(true) != SQLITE_OK) return failure(store->failure_text());
    if (std::optional<std::string> error = store->exec(schema)) return failure(*error);
    if (tx.commit() != SQLITE_OK) return failure(store->failure_text());
  }
  return store;
}

std::string answer_store::failure_text() const {
  return sqlite3_errmsg(db_.get());
}

std::optional<std::string> answer_store::exec(const char* sql) {
  if (sqlite3_exec(db_.get(), sql, nullptr, nullptr, nullptr) != SQLITE_OK) return failure_text();
  return std::nullopt;
}

result<sqlite_stmt_ptr> answer_store::prepare(const char* sql) {
  sqlite3_stmt* raw = nullptr;
  if (sqlite3_prepare_v2(db_.get(), sql, -1, &raw, nullptr) != SQLITE_OK)
    return failure(failure_text());
  return sqlite_stmt_ptr(raw);
}

result<bool> answer_store::replay(const sha256_digest& key, int64_t oldest, int64_t now_us,
                                  const std::function<void(const stored_meta&)>& found,
                                  const std::function<bool(std::string_view)>& body) {
  int64_t id = 0;
  {
    transaction tx(db_.get());
    if (tx.begin(false) != SQLITE_OK) return failure(failure_text());
    result<sqlite_stmt_ptr> meta = prepare(
        "SELECT id, system, status, ending, next_cursor, cut_report, stored, bytes FROM answer "
        "WHERE key = ? AND stored > ?");
    if (!meta) return failure(meta.error());
    sqlite3_stmt* m = meta->get();
    bind_key(m, 1, key);
    sqlite3_bind_int64(m, 2, oldest);
    const int rc = sqlite3_step(m);
    if (rc == SQLITE_DONE) return false;
    if (rc != SQLITE_ROW) return failure(failure_text());
    id = sqlite3_column_int64(m, 0);
    stored_meta answer;
    answer.system = text_column(m, 1).value_or("");
    answer.status = static_cast<long>(sqlite3_column_int64(m, 2));
    answer.ending = text_column(m, 3).value_or("");
    answer.next_cursor = text_column(m, 4);
    answer.cut_report = text_column(m, 5);
    answer.stored = sqlite3_column_int64(m, 6);
    answer.bytes = sqlite3_column_int64(m, 7);
    found(answer);
    result<sqlite_stmt_ptr> chunks =
        prepare("SELECT data FROM chunk WHERE answer = ? ORDER BY seq");
    if (!chunks) return failure(chunks.error());
    sqlite3_stmt* c = chunks->get();
    sqlite3_bind_int64(c, 1, id);
    for (;;) {
      const int step = sqlite3_step(c);
      if (step == SQLITE_DONE) break;
      if (step != SQLITE_ROW) return failure(failure_text());
      const auto* data = static_cast<const char*>(sqlite3_column_blob(c, 0));
      if (!body(std::string_view(data, static_cast<size_t>(sqlite3_column_bytes(c, 0))))) break;
    }
    chunks->reset();
    meta->reset();
    if (tx.commit() != SQLITE_OK) return failure(failure_text());
  }
  // Which answers were used last decides which go first when the store is
  // full; a store that cannot be written to still answers.
  if (result<sqlite_stmt_ptr> touch = prepare("UPDATE answer SET used = ? WHERE id = ?")) {
    sqlite3_bind_int64(touch->get(), 1, now_us);
    sqlite3_bind_int64(touch->get(), 2, id);
    sqlite3_step(touch->get());
  }
  return true;
}

std::optional<std::string> answer_store::store(const sha256_digest& key, const stored_meta& meta,
                                               spool& body, int64_t now, int64_t now_us,
                                               uint64_t max_bytes) {
  transaction tx(db_.get());
  if (tx.begin(true) != SQLITE_OK) return failure_text();
  // An answer stored before under the key (expired, or asked again with
  // --refresh) goes with its chunks.
  result<sqlite_stmt_ptr> old = prepare("SELECT id FROM answer WHERE key = ?");
  if (!old) return old.error();
  bind_key(old->get(), 1, key);
  const int rc = sqlite3_step(old->get());
  if (rc == SQLITE_ROW) {
    const int64_t old_id = sqlite3_column_int64(old->get(), 0);
    for (const char* sql :
         {"DELETE FROM chunk WHERE answer = ?", "DELETE FROM answer WHERE id = ?"}) {
      result<sqlite_stmt_ptr> drop = prepare(sql);
      if (!drop) return drop.error();
      sqlite3_bind_int64(drop->get(), 1, old_id);
      if (sqlite3_step(drop->get()) != SQLITE_DONE) return failure_text();
    }
  } else if (rc != SQLITE_DONE) {
    return failure_text();
  }
  old->reset();

  result<sqlite_stmt_ptr> insert = prepare(
      "INSERT INTO answer (key, system, status, ending, next_cursor, cut_report, stored, used, "
      "bytes) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)");
  if (!insert) return insert.error();
  sqlite3_stmt* a = insert->get();
  bind_key(a, 1, key);
  sqlite3_bind_text(a, 2, meta.system.c_str(), -1, SQLITE_TRANSIENT);
  sqlite3_bind_int64(a, 3, meta.status);
  sqlite3_bind_text(a, 4, meta.ending.c_str(), -1, SQLITE_TRANSIENT);
  bind_text(a, 5, meta.next_cursor);
  bind_text(a, 6, meta.cut_report);
  sqlite3_bind_int64(a, 7, now);
  sqlite3_bind_int64(a, 8, now_us);
  sqlite3_bind_int64(a, 9, static_cast<int64_t>(body.size()));
  if (sqlite3_step(a) != SQLITE_DONE) return failure_text();
  const int64_t id = sqlite3_last_insert_rowid(db_.get());

  result<sqlite_stmt_ptr> chunk = prepare("INSERT INTO chunk (answer, seq, data) VALUES (?, ?, ?)");
  if (!chunk) return chunk.error();
  sqlite3_stmt* c = chunk->get();
  int64_t seq = 0;
  std::optional<std::string> error;
  const bool read = body.read_back(chunk_bytes, [&](std::string_view piece) {
    sqlite3_reset(c);
    sqlite3_bind_int64(c, 1, id);
    sqlite3_bind_int64(c, 2, seq++);
    sqlite3_bind_blob(c, 3, piece.data(), static_cast<int>(piece.size()), SQLITE_STATIC);
    if (sqlite3_step(c) == SQLITE_DONE) return true;
    error = failure_text();
    return false;
  });
  if (error) return error;
  if (!read) return body.error();
  if (std::optional<std::string> evicted = evict(max_bytes)) return evicted;
  if (tx.commit() != SQLITE_OK) return failure_text();
  return std::nullopt;
}

std::optional<std::string> answer_store::evict(uint64_t max_bytes) {
  result<sqlite_stmt_ptr> total = prepare("SELECT total(bytes) FROM answer");
  if (!total) return total.error();
  if (sqlite3_step(total->get()) != SQLITE_ROW) return failure_text();
  auto held = static_cast<double>(sqlite3_column_double(total->get(), 0));
  total->reset();
  if (held <= static_cast<double>(max_bytes)) return std::nullopt;
  result<sqlite_stmt_ptr> oldest = prepare("SELECT id, bytes FROM answer ORDER BY used, id");
  result<sqlite_stmt_ptr> chunks = prepare("DELETE FROM chunk WHERE answer = ?");
  result<sqlite_stmt_ptr> answer = prepare("DELETE FROM answer WHERE id = ?");
  if (!oldest || !chunks || !answer) return failure_text();
  // The ids first: rows are not deleted under a running query.
  std::vector<std::pair<int64_t, int64_t>> victims;
  while (held > static_cast<double>(max_bytes) && sqlite3_step(oldest->get()) == SQLITE_ROW) {
    const int64_t bytes = sqlite3_column_int64(oldest->get(), 1);
    victims.emplace_back(sqlite3_column_int64(oldest->get(), 0), bytes);
    held -= static_cast<double>(bytes);
  }
  oldest->reset();
  for (const auto& [id, bytes] : victims) {
    for (sqlite3_stmt* drop : {chunks->get(), answer->get()}) {
      sqlite3_reset(drop);
      sqlite3_bind_int64(drop, 1, id);
      if (sqlite3_step(drop) != SQLITE_DONE) return failure_text();
    }
  }
  return std::nullopt;
}

result<store_summary> answer_store::summary() {
  result<sqlite_stmt_ptr> query =
      prepare("SELECT count(*), total(bytes), min(stored), max(stored) FROM answer");
  if (!query) return failure(query.error());
  if (sqlite3_step(query->get()) != SQLITE_ROW) return failure(failure_text());
  store_summary s;
  s.answers = sqlite3_column_int64(query->get(), 0);
  s.bytes = static_cast<int64_t>(sqlite3_column_double(query->get(), 1));
  s.oldest = sqlite3_column_int64(query->get(), 2);
  s.newest = sqlite3_column_int64(query->get(), 3);
  return s;
}

result<int64_t> answer_store::clear() {
  result<store_summary> before = summary();
  if (!before) return failure(before.error());
  {
    transaction tx(db_.get());
    if (tx.begin(true) != SQLITE_OK) return failure(failure_text());
    if (std::optional<std::string> error = exec("DELETE FROM chunk; DELETE FROM answer;"))
      return failure(*error);
    if (tx.commit() != SQLITE_OK) return failure(failure_text());
  }
  // The file is rebuilt without the removed pages, and the journal emptied,
  // so that no answer can be read back from what was freed.
  if (std::optional<std::string> error = exec("VACUUM")) return failure(*error);
  if (std::optional<std::string> error = exec("PRAGMA wal_checkpoint(TRUNCATE)"))
    return failure(*error);
  return before->answers;
}

}  // namespace trawl
