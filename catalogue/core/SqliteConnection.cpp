// SPDX-License-Identifier: MIT
#include "SqliteConnection.h"

#include "DbTypes.h"
#include "SqliteRecordset.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <sqlite3.h>

namespace {
// 256 KB, for a connection that reads each page once (SQLite's default is 2 MB).
constexpr char kSmallPageCache[] = "PRAGMA cache_size = -256";
} // namespace

SqliteConnection::SqliteConnection(const QString &connectionString)
{
    const QString file = dataSource(connectionString);
    if (file.isEmpty())
        throw DbError{QCoreApplication::translate(
                          "SqliteConnection", "The connection string names no database file (Data Source)."),
                      SQLITE_CANTOPEN, QStringLiteral("SQLite")};
    if (!QFileInfo(file).isFile())
        throw DbError{QCoreApplication::translate("SqliteConnection", "Could not find file '%1'.").arg(file),
                      SQLITE_CANTOPEN, QStringLiteral("SQLite")};

    int rc = SQLITE_OK;
    m_db = openSqlite(file.toUtf8().constData(), SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, &rc);
    if (rc != SQLITE_OK) {
        DbError e = error(m_db.get(), rc);
        e.description += QStringLiteral(" (%1)").arg(file);
        throw e;
    }
    sqlite3_extended_result_codes(m_db.get(), 1);
    sqlite3_busy_timeout(m_db.get(), kBusyTimeoutMs);

    // Opening is lazy: read the schema now so a file that is no database fails here.
    const int check =
        sqlite3_exec(m_db.get(), "SELECT 1 FROM sqlite_master LIMIT 1", nullptr, nullptr, nullptr);
    if (check != SQLITE_OK)
        throw error(m_db.get(), check);
}

void SqliteConnection::execute(const QString &sql)
{
    checkStatement(sql);
    SqliteRecordset(m_db.get(), DbTypes::topToLimit(sql)).skipRows();
}

std::unique_ptr<DbRecordset> SqliteConnection::openRecordset(const QString &sql)
{
    checkStatement(sql);
    return std::make_unique<SqliteRecordset>(m_db.get(), DbTypes::topToLimit(sql));
}

std::unique_ptr<DbRecordset> SqliteConnection::openNarrowed(const QString &sql, const Narrowing &narrowing)
{
    checkStatement(sql);
    const QString plain = DbTypes::topToLimit(sql);
    // What the narrowing reads to choose is read in the transaction that runs the statement:
    // another program's writes cannot fall between the two.
    if (narrowing && sqlite3_get_autocommit(m_db.get()) &&
        sqlite3_exec(m_db.get(), "BEGIN", nullptr, nullptr, nullptr) == SQLITE_OK) {
        // A narrowed statement reads each of its rows' pages once: a large page cache would
        // only be fresh memory to fault in, a tenth of a small search's time. The sort's
        // memory follows the cache's size; what it then sets aside stays in memory, not in a
        // temporary file.
        sqlite3_exec(m_db.get(), kSmallPageCache, nullptr, nullptr, nullptr);
        sqlite3_exec(m_db.get(), "PRAGMA temp_store = MEMORY", nullptr, nullptr, nullptr);
        const QString narrowed = narrowing(m_db.get());
        if (!narrowed.isEmpty() && narrowed != plain) {
            // The narrowing only speeds the reading up: should it be unusable (a damaged index,
            // or an engine without FTS5), the statement runs as written.
            try {
                return std::make_unique<SqliteRecordset>(m_db.get(), narrowed,
                                                         SqliteRecordset::EndsTransaction);
            } catch (const DbError &) {
            }
        }
        sqlite3_exec(m_db.get(), "ROLLBACK", nullptr, nullptr, nullptr);
    }
    return std::make_unique<SqliteRecordset>(m_db.get(), plain);
}

void SqliteConnection::begin()
{
    // Takes the write lock at once: what the transaction reads first (a value it compares, a
    // row it keeps) cannot be changed by another writer before it writes.
    const int rc = sqlite3_exec(m_db.get(), "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK)
        throw error(m_db.get(), rc);
}

void SqliteConnection::commit()
{
    const int rc = sqlite3_exec(m_db.get(), "COMMIT", nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK)
        throw error(m_db.get(), rc);
}

void SqliteConnection::rollback() noexcept
{
    if (!sqlite3_get_autocommit(m_db.get()))
        sqlite3_exec(m_db.get(), "ROLLBACK", nullptr, nullptr, nullptr);
}

void SqliteConnection::readOnwardOnly()
{
    // A walk in order holds its path of pages itself and a sort is done by the first row, so
    // the page cache (2 MB by default) would only sit beside a list the grid is growing.
    sqlite3_exec(m_db.get(), kSmallPageCache, nullptr, nullptr, nullptr);
}

QString SqliteConnection::dataSource(const QString &connectionString)
{
    const QStringList pairs = connectionString.split(u';');
    for (const QString &pair : pairs) {
        const qsizetype eq = pair.indexOf(u'=');
        if (eq < 0)
            continue;
        if (pair.left(eq).simplified().compare(QStringLiteral("Data Source"), Qt::CaseInsensitive) != 0)
            continue;
        QString value = pair.mid(eq + 1).trimmed();
        if (value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'') &&
            value.back() == value.front())
            value = value.mid(1, value.size() - 2);
        // Settings written on Windows may carry backslashes.
        value.replace(u'\\', u'/');
        return value;
    }
    return {};
}

DbError SqliteConnection::error(sqlite3 *db, int rc)
{
    QString text = db ? QString::fromUtf8(sqlite3_errmsg(db)) : QString::fromUtf8(sqlite3_errstr(rc));
    return DbError{text, rc, QStringLiteral("SQLite")};
}
