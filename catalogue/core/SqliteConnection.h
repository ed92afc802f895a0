// SPDX-License-Identifier: MIT
#pragma once

#include "DbConnection.h"
#include "common/core/SqliteHandles.h"

// An SQLite database file named by the connection string's "Data Source", opened read-write
// and never created.
class SqliteConnection final : public DbConnection {
public:
    // How long a statement waits for a database another program has locked.
    static constexpr int kBusyTimeoutMs = 2000;

    explicit SqliteConnection(const QString &connectionString);

    void execute(const QString &sql) override;
    std::unique_ptr<DbRecordset> openRecordset(const QString &sql) override;
    std::unique_ptr<DbRecordset> openNarrowed(const QString &sql, const Narrowing &narrowing) override;
    void readOnwardOnly() override;
    void begin() override;
    void commit() override;
    void rollback() noexcept override;

    // For functions of ours that statements on this connection call.
    sqlite3 *handle() const { return m_db.get(); }

    // The file a connection string names, "" when it names none.
    static QString dataSource(const QString &connectionString);

    // The engine's error for a result code, as the failure report shows it.
    static DbError error(sqlite3 *db, int rc);

private:
    SqliteDb m_db;
};
