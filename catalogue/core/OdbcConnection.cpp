// SPDX-License-Identifier: MIT
#include "OdbcConnection.h"

#include "DbTypes.h"
#include "OdbcRecordset.h"
#include "PgDialect.h"

#include <sqlext.h>

#include <vector>

#include <QCoreApplication>

namespace {

bool ok(SQLRETURN rc)
{
    return rc == SQL_SUCCESS || rc == SQL_SUCCESS_WITH_INFO;
}

SQLCHAR *chars(QByteArray &bytes)
{
    return reinterpret_cast<SQLCHAR *>(bytes.data());
}

} // namespace

OdbcConnection::OdbcConnection(const QString &connectionString)
{
    SQLRETURN rc = SQL_SUCCESS;
    m_env = allocOdbc<SQL_HANDLE_ENV>(SQL_NULL_HANDLE, rc);
    if (!m_env)
        throw DbError{
            QCoreApplication::translate("OdbcConnection", "The ODBC driver manager could not be started."),
            rc, QStringLiteral("ODBC")};
    SQLSetEnvAttr(m_env.get(), SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    m_dbc = allocOdbc<SQL_HANDLE_DBC>(m_env.get(), rc);
    if (!m_dbc)
        throw error(SQL_HANDLE_ENV, m_env.get(), rc);

    // The driver turns the log-in time-out into its own connect time-out; a data source that
    // sets one itself makes the driver refuse both, and then its own stands.
    const auto loginTimeout = [this](SQLULEN seconds) {
        SQLSetConnectAttr(m_dbc.get(), SQL_ATTR_LOGIN_TIMEOUT, reinterpret_cast<SQLPOINTER>(seconds), 0);
    };
    loginTimeout(SQLULEN((OdbcWatchdog::bound().count() + 999) / 1000));
    const std::set<ino_t> before = OdbcWatchdog::sockets();
    QByteArray in = connectionString.toUtf8();
    const auto connect = [&] {
        return SQLDriverConnect(m_dbc.get(), nullptr, chars(in), SQLSMALLINT(in.size()), nullptr, 0, nullptr,
                                SQL_DRIVER_NOPROMPT);
    };
    rc = connect();
    if (!ok(rc) &&
        error(SQL_HANDLE_DBC, m_dbc.get(), rc)
            .description.contains(QLatin1String("connect_timeout parameter in pqopt option conflicts"))) {
        loginTimeout(0);
        rc = connect();
    }
    if (!ok(rc))
        throw error(SQL_HANDLE_DBC, m_dbc.get(), rc);
    m_watchdog = std::make_unique<OdbcWatchdog>(before);
    m_connected = true;

    SQLCHAR name[128] = {};
    SQLSMALLINT length = 0;
    if (ok(SQLGetInfo(m_dbc.get(), SQL_DBMS_NAME, name, sizeof name, &length))) {
        const QString dbms = QString::fromUtf8(reinterpret_cast<const char *>(name));
        if (dbms.contains(QStringLiteral("SQLite"), Qt::CaseInsensitive))
            m_server = Server::SQLite;
        else if (PgDialect::isServer(dbms))
            m_server = Server::PostgreSQL;
    }
    // Only apostrophes are doubled in the literals the catalogue writes: a server that took
    // backslashes as escapes would let a typed backslash end a literal.
    if (m_server == Server::PostgreSQL) {
        try {
            execute(QStringLiteral("SET standard_conforming_strings = on"));
        } catch (const DbError &) {
            m_watchdog.reset();
            SQLDisconnect(m_dbc.get()); // the owners free the handles
            throw;
        }
    }
}

OdbcConnection::~OdbcConnection()
{
    if (m_connected) {
        // A transaction left open by a failure is undone, or the driver refuses to disconnect.
        if (!m_autoCommit)
            m_watchdog->run([&] { return SQLEndTran(SQL_HANDLE_DBC, m_dbc.get(), SQL_ROLLBACK); });
        m_watchdog.reset();
        SQLDisconnect(m_dbc.get());
    }
}

QString OdbcConnection::dialect(const QString &sql) const
{
    switch (m_server) {
    case Server::SQLite: return DbTypes::topToLimit(sql); // SQLite knows no TOP
    case Server::PostgreSQL: return PgDialect::statement(sql);
    case Server::Other: break;
    }
    return sql;
}

void OdbcConnection::setAutoCommit(bool on)
{
    const SQLRETURN rc = m_watchdog->run([&] {
        return SQLSetConnectAttr(
            m_dbc.get(), SQL_ATTR_AUTOCOMMIT,
            reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(on ? SQL_AUTOCOMMIT_ON : SQL_AUTOCOMMIT_OFF)),
            0);
    });
    if (!ok(rc))
        fail(SQL_HANDLE_DBC, m_dbc.get(), rc);
    m_autoCommit = on;
}

void OdbcConnection::commit()
{
    const SQLRETURN rc = m_watchdog->run([&] { return SQLEndTran(SQL_HANDLE_DBC, m_dbc.get(), SQL_COMMIT); });
    if (!ok(rc))
        fail(SQL_HANDLE_DBC, m_dbc.get(), rc);
}

void OdbcConnection::begin()
{
    setAutoCommit(false);
}

void OdbcConnection::rollback() noexcept
{
    if (m_autoCommit)
        return;
    m_watchdog->run([&] { return SQLEndTran(SQL_HANDLE_DBC, m_dbc.get(), SQL_ROLLBACK); });
    try {
        setAutoCommit(true);
    } catch (const DbError &) {
        // The connection is closed after a failure; its destructor rolls back what is left.
    }
}

QString OdbcConnection::databaseUser()
{
    if (m_server != Server::PostgreSQL)
        return {};
    auto rs = openRecordset(QStringLiteral("SELECT current_user"));
    return rs->eof() ? QString() : rs->value(0);
}

void OdbcConnection::execute(const QString &sql)
{
    checkStatement(sql);
    SQLRETURN rc = SQL_SUCCESS;
    const OdbcStmt stmt = allocOdbc<SQL_HANDLE_STMT>(m_dbc.get(), rc);
    if (!stmt)
        throw error(SQL_HANDLE_DBC, m_dbc.get(), rc);
    QByteArray text = dialect(sql).toUtf8();
    rc = m_watchdog->run([&] { return SQLExecDirect(stmt.get(), chars(text), SQLINTEGER(text.size())); });
    // An UPDATE or DELETE that touched no row answers "no data": that is no failure.
    if (!ok(rc) && rc != SQL_NO_DATA)
        fail(SQL_HANDLE_STMT, stmt.get(), rc);
}

std::unique_ptr<DbRecordset> OdbcConnection::openRecordset(const QString &sql)
{
    checkStatement(sql);
    return std::make_unique<OdbcRecordset>(m_dbc.get(), *m_watchdog, dialect(sql),
                                           m_server == Server::PostgreSQL ? &sql : nullptr);
}

void OdbcConnection::fail(SQLSMALLINT handleType, SQLHANDLE handle, SQLRETURN rc) const
{
    m_watchdog->throwIfFired();
    throw error(handleType, handle, rc);
}

DbError OdbcConnection::error(SQLSMALLINT handleType, SQLHANDLE handle, SQLRETURN rc)
{
    SQLCHAR state[6] = {};
    SQLINTEGER native = 0;
    std::vector<SQLCHAR> message(2048);
    SQLSMALLINT length = 0;
    if (!ok(SQLGetDiagRec(handleType, handle, 1, state, &native, message.data(), SQLSMALLINT(message.size()),
                          &length)))
        return DbError{
            QCoreApplication::translate("OdbcConnection", "ODBC call failed (return code %1).").arg(rc), rc,
            QStringLiteral("ODBC")};
    QString text = QString::fromUtf8(reinterpret_cast<const char *>(message.data()));
    // libpq ends its messages with a line break, which would leave an empty line in the report.
    while (!text.isEmpty() && text.back().isSpace())
        text.chop(1);
    const QString source =
        QStringLiteral("ODBC (SQLSTATE %1)").arg(QString::fromLatin1(reinterpret_cast<const char *>(state)));
    return DbError{text, native, source};
}
