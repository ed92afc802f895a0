// SPDX-License-Identifier: MIT
#pragma once

#include "DbConnection.h"
#include "OdbcHandles.h"
#include "OdbcWatchdog.h"

#include <memory>

// A connection through the ODBC driver manager, with the connection string as it stands.
// Log-in and every call that waits for the server end within OdbcWatchdog::bound().
class OdbcConnection final : public DbConnection {
public:
    explicit OdbcConnection(const QString &connectionString);
    ~OdbcConnection() override;
    OdbcConnection(const OdbcConnection &) = delete;
    OdbcConnection &operator=(const OdbcConnection &) = delete;

    void execute(const QString &sql) override;
    std::unique_ptr<DbRecordset> openRecordset(const QString &sql) override;

    // The server behind the data source, as the driver names it once per connection.
    enum class Server { Other, SQLite, PostgreSQL };
    Server server() const { return m_server; }
    // Off: the statements that follow form one transaction, ended by commit().
    void setAutoCommit(bool on);
    void begin() override;
    void commit() override;
    void rollback() noexcept override;
    QString databaseUser() override;

    // The first diagnostic record of a handle, as the failure report shows it.
    static DbError error(SQLSMALLINT handleType, SQLHANDLE handle, SQLRETURN rc);

private:
    QString dialect(const QString &sql) const;
    // The driver's failure of a call, or the watchdog's when it cut the connection.
    [[noreturn]] void fail(SQLSMALLINT handleType, SQLHANDLE handle, SQLRETURN rc) const;

    OdbcEnv m_env;
    OdbcDbc m_dbc;
    bool m_connected = false;
    Server m_server = Server::Other;
    bool m_autoCommit = true;
    std::unique_ptr<OdbcWatchdog> m_watchdog; // stopped before the disconnect frees its socket
};
