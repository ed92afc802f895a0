// SPDX-License-Identifier: MIT
#pragma once

#include "DbError.h"
#include "DbRecordset.h"

#include <QString>

#include <functional>
#include <memory>

struct sqlite3;

// One open connection to the parts database. A connection string containing "DSN=" goes to
// ODBC as it stands; any other is read as key=value pairs whose "Data Source" names an
// SQLite file. Every failure throws DbError.
class DbConnection {
public:
    virtual ~DbConnection() = default;

    static std::unique_ptr<DbConnection> open(const QString &connectionString);

    // Runs a statement; whatever it returns is discarded.
    virtual void execute(const QString &sql) = 0;
    virtual std::unique_ptr<DbRecordset> openRecordset(const QString &sql) = 0;

    // Gives, inside the read transaction that then runs it, a statement with the rows of the
    // one asked for, in the same order, that SQLite reads faster (or that statement itself).
    using Narrowing = std::function<QString(sqlite3 *db)>;
    // `sql` as openRecordset runs it, or what `narrowing` gives where the engine can use that;
    // the statement as asked answers whenever the narrowed one cannot run.
    virtual std::unique_ptr<DbRecordset> openNarrowed(const QString &sql, const Narrowing &narrowing)
    {
        (void)narrowing;
        return openRecordset(sql);
    }
    // Everything executed between begin() and commit() is kept together or not at all; a
    // connection closed without commit() keeps none of it.
    virtual void begin() = 0;
    virtual void commit() = 0;
    virtual void rollback() noexcept = 0;
    // The user a database server runs the statements as; empty for a file.
    virtual QString databaseUser() { return {}; }

    // For a connection whose one open result is only read onward from here: the engine may
    // give back memory it keeps for reading pages again.
    virtual void readOnwardOnly() {}

    // Throws for a statement that no engine would be given whole: a NUL character ends the
    // text early, and text that is not valid Unicode would reach the engine as "?".
    static void checkStatement(const QString &sql);
};
