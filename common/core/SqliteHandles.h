// SPDX-License-Identifier: MIT
#pragma once

#include <sqlite3.h>

#include <memory>

// Owners of SQLite's handles. A statement must be finalized before its connection
// closes: declare the connection first, so it is destroyed last.
struct SqliteClose {
    void operator()(sqlite3 *db) const { sqlite3_close(db); }
};
struct SqliteFinalize {
    void operator()(sqlite3_stmt *stmt) const { sqlite3_finalize(stmt); }
};
using SqliteDb = std::unique_ptr<sqlite3, SqliteClose>;
using SqliteStmt = std::unique_ptr<sqlite3_stmt, SqliteFinalize>;

// Opens `file` with `flags`. The handle is kept even when opening failed, since it
// carries the reason (sqlite3_errmsg) and must still be closed.
inline SqliteDb openSqlite(const char *file, int flags, int *rc = nullptr)
{
    sqlite3 *db = nullptr;
    const int result = sqlite3_open_v2(file, &db, flags, nullptr);
    if (rc)
        *rc = result;
    return SqliteDb(db);
}

inline SqliteStmt prepareSqlite(sqlite3 *db, const char *sql, int bytes = -1, int *rc = nullptr)
{
    sqlite3_stmt *stmt = nullptr;
    const int result = sqlite3_prepare_v2(db, sql, bytes, &stmt, nullptr);
    if (rc)
        *rc = result;
    return SqliteStmt(stmt);
}
