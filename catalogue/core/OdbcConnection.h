#pragma once

#include "DbConnection.h"

#include <sql.h>

// A connection through the ODBC driver manager, with the connection string as it stands.
class OdbcConnection final : public DbConnection {
public:
    explicit OdbcConnection(const QString &connectionString);
    ~OdbcConnection() override;
    OdbcConnection(const OdbcConnection &) = delete;
    OdbcConnection &operator=(const OdbcConnection &) = delete;

    void execute(const QString &sql) override;
    std::unique_ptr<DbRecordset> openRecordset(const QString &sql) override;

    // The first diagnostic record of a handle, as the failure report shows it.
    static DbError error(SQLSMALLINT handleType, SQLHANDLE handle, SQLRETURN rc);

private:
    QString dialect(const QString &sql) const;

    SQLHENV m_env = SQL_NULL_HENV;
    SQLHDBC m_dbc = SQL_NULL_HDBC;
    bool m_connected = false;
    bool m_limitDialect = false; // the data source is SQLite underneath, which knows no TOP
};
