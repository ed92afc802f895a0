// SPDX-License-Identifier: MIT
#pragma once

#include "Result.h"

#include <memory>

struct sqlite3;
struct sqlite3_stmt;

// Owners of SQLite's handles. A statement must be finalized before its connection
// closes: declare the connection first, so it is destroyed last.
struct SqliteClose {
    void operator()(sqlite3 *db) const;
};
struct SqliteFinalize {
    void operator()(sqlite3_stmt *stmt) const;
};
using SqliteDb = std::unique_ptr<sqlite3, SqliteClose>;
using SqliteStmt = std::unique_ptr<sqlite3_stmt, SqliteFinalize>;

// sqlite3_open_v2 into an owner. The handle is kept even when opening failed (`*rc` says
// so), since it carries the reason (sqlite3_errmsg) and must be closed all the same.
SqliteDb openSqlite(const char *file, int flags, int *rc = nullptr);

// sqlite3_prepare_v2 into an owner; null for a failure (`*rc` says which) or an empty text.
SqliteStmt prepareSqlite(sqlite3 *db, const char *sql, int bytes = -1, int *rc = nullptr);

// sqlite3_exec of one or more statements; fails with the engine's message.
Result<> execSqlite(sqlite3 *db, const char *sql);
Result<> execSqlite(sqlite3 *db, const QString &sql);
