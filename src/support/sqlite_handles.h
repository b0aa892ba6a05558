// Owning wrappers for SQLite's connection and statement handles.
#pragma once

#include <sqlite3.h>

#include <memory>

namespace trawl {

struct sqlite_db_closer {
  void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
};
struct sqlite_stmt_finalizer {
  void operator()(sqlite3_stmt* stmt) const { sqlite3_finalize(stmt); }
};

using sqlite_db_ptr = std::unique_ptr<sqlite3, sqlite_db_closer>;
using sqlite_stmt_ptr = std::unique_ptr<sqlite3_stmt, sqlite_stmt_finalizer>;

}  // namespace trawl
