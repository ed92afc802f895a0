// SPDX-License-Identifier: MIT
#pragma once

#include "DbError.h"
#include "DbRecordset.h"

#include <QString>

#include <memory>

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
    // For a connection whose one open result is only read onward from here: the engine may
    // give back memory it keeps for reading pages again.
    virtual void readOnwardOnly() {}

    // Throws for a statement that no engine would be given whole: a NUL character ends the
    // text early, and text that is not valid Unicode would reach the engine as "?".
    static void checkStatement(const QString &sql);
};
