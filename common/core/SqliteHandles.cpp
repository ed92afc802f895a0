// SPDX-License-Identifier: MIT
#include "SqliteHandles.h"

#include <sqlite3.h>

void SqliteClose::operator()(sqlite3 *db) const
{
    // A statement still open (a recordset kept past its connection) closes the
    // connection when it is finalized, instead of leaking it.
    sqlite3_close_v2(db);
}

void SqliteFinalize::operator()(sqlite3_stmt *stmt) const
{
    sqlite3_finalize(stmt);
}

SqliteDb openSqlite(const char *file, int flags, int *rc)
{
    sqlite3 *db = nullptr;
    const int result = sqlite3_open_v2(file, &db, flags, nullptr);
    if (rc)
        *rc = result;
    return SqliteDb(db);
}

Result<> execSqlite(sqlite3 *db, const char *sql)
{
    char *message = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &message) == SQLITE_OK)
        return {};
    const QString reason = QString::fromUtf8(message ? message : sqlite3_errmsg(db));
    sqlite3_free(message);
    return fail(reason);
}

Result<> execSqlite(sqlite3 *db, const QString &sql)
{
    return execSqlite(db, sql.toUtf8().constData());
}

SqliteStmt prepareSqlite(sqlite3 *db, const char *sql, int bytes, int *rc)
{
    sqlite3_stmt *stmt = nullptr;
    const int result = sqlite3_prepare_v2(db, sql, bytes, &stmt, nullptr);
    if (rc)
        *rc = result;
    return SqliteStmt(stmt);
}
