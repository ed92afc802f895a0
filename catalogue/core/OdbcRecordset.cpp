// SPDX-License-Identifier: MIT
#include "OdbcRecordset.h"
#include "Utf8Text.h"

#include "DbTypes.h"
#include "OdbcConnection.h"
#include "OdbcWatchdog.h"
#include "PgDialect.h"

#include <sqlext.h>

#include <limits>

#include <QCoreApplication>

namespace {

bool ok(SQLRETURN rc)
{
    return rc == SQL_SUCCESS || rc == SQL_SUCCESS_WITH_INFO;
}

// The kind a column reports when its type name is not one of ours.
DbTypes::TypeInfo fromSqlType(SQLSMALLINT type, SQLULEN columnSize)
{
    DbTypes::TypeInfo t;
    switch (type) {
    case SQL_INTEGER: t.code = DbTypes::Long; break;
    case SQL_SMALLINT: t.code = DbTypes::SmallInt; break;
    case SQL_TINYINT: t.code = DbTypes::Byte; break;
    case SQL_BIGINT: t.code = DbTypes::BigInt; break;
    case SQL_DOUBLE:
    case SQL_FLOAT:
    case SQL_REAL: t.code = DbTypes::Double; break;
    case SQL_DECIMAL:
    case SQL_NUMERIC: t.code = DbTypes::Numeric; break;
    case SQL_BIT: t.code = DbTypes::YesNo; break;
    case SQL_DATE:
    case SQL_TIME:
    case SQL_TIMESTAMP:
    case SQL_TYPE_DATE:
    case SQL_TYPE_TIME:
    case SQL_TYPE_TIMESTAMP: t.code = DbTypes::Date; break;
    case SQL_CHAR:
    case SQL_VARCHAR:
    case SQL_WCHAR:
    case SQL_WVARCHAR:
        t.code = DbTypes::Text;
        t.size = columnSize > 0 ? (long long)columnSize : DbTypes::defaultSize(DbTypes::Text);
        return t;
    case SQL_LONGVARCHAR:
    case SQL_WLONGVARCHAR: t.code = DbTypes::Memo; break;
    case SQL_BINARY:
    case SQL_VARBINARY:
    case SQL_LONGVARBINARY: t.code = DbTypes::Binary; break;
    default: t.code = DbTypes::Variant; break;
    }
    t.size = DbTypes::defaultSize(t.code);
    return t;
}

} // namespace

OdbcRecordset::OdbcRecordset(SQLHDBC dbc, OdbcWatchdog &watchdog, const QString &sql, const QString *written)
    : m_watchdog(watchdog)
{
    SQLRETURN rc = SQL_SUCCESS;
    m_stmt = allocOdbc<SQL_HANDLE_STMT>(dbc, rc);
    if (!m_stmt)
        throw OdbcConnection::error(SQL_HANDLE_DBC, dbc, rc);
    QByteArray text = sql.toUtf8();
    rc = m_watchdog.run([&] {
        return SQLExecDirect(m_stmt.get(), reinterpret_cast<SQLCHAR *>(text.data()), SQLINTEGER(text.size()));
    });
    if (!ok(rc) && rc != SQL_NO_DATA)
        fail(rc);

    SQLSMALLINT count = 0;
    SQLNumResultCols(m_stmt.get(), &count);
    for (SQLUSMALLINT i = 1; i <= SQLUSMALLINT(count); ++i) {
        SQLCHAR name[256] = {};
        SQLSMALLINT nameLength = 0, type = 0, digits = 0, nullable = 0;
        SQLULEN size = 0;
        rc =
            SQLDescribeCol(m_stmt.get(), i, name, sizeof name, &nameLength, &type, &size, &digits, &nullable);
        if (!ok(rc))
            throw OdbcConnection::error(SQL_HANDLE_STMT, m_stmt.get(), rc);

        SQLCHAR typeName[128] = {};
        SQLSMALLINT typeNameLength = 0;
        DbTypes::TypeInfo t;
        const bool named =
            ok(SQLColAttribute(m_stmt.get(), i, SQL_DESC_TYPE_NAME, typeName, sizeof typeName,
                               &typeNameLength, nullptr)) &&
            DbTypes::fromDeclaration(QString::fromUtf8(reinterpret_cast<const char *>(typeName)), &t);
        if (!named)
            t = fromSqlType(type, size);
        else if (t.code == DbTypes::Text && size > 0)
            t.size = (long long)size;
        QString heading = QString::fromUtf8(reinterpret_cast<const char *>(name));
        if (written) {
            t = PgDialect::type(QString::fromUtf8(reinterpret_cast<const char *>(typeName)), t,
                                (long long)size, digits);
            heading = PgDialect::heading(heading, *written);
        }
        m_columns.push_back({heading, t.code, t.size});
    }
    m_row.resize(m_columns.size());
    m_rowNull.resize(m_columns.size());
    if (count > 0)
        fetch();
}

OdbcRecordset::~OdbcRecordset()
{
    if (m_stmt)
        m_watchdog.run([&] { return SQLCloseCursor(m_stmt.get()); });
}

void OdbcRecordset::fail(SQLRETURN rc) const
{
    m_watchdog.throwIfFired();
    throw OdbcConnection::error(SQL_HANDLE_STMT, m_stmt.get(), rc);
}

void OdbcRecordset::fetch()
{
    const SQLRETURN rc = m_watchdog.run([&] { return SQLFetch(m_stmt.get()); });
    if (rc == SQL_NO_DATA) {
        m_eof = true;
        return;
    }
    if (!ok(rc))
        fail(rc);
    m_eof = false;
    for (std::size_t f = 0; f < m_columns.size(); ++f)
        m_rowNull[f] = !read(int(f), m_row[f]);
}

bool OdbcRecordset::read(int field, std::vector<char> &out)
{
    out.clear();
    char buffer[4096];
    for (;;) {
        SQLLEN indicator = 0;
        const SQLRETURN rc =
            SQLGetData(m_stmt.get(), SQLUSMALLINT(field + 1), SQL_C_CHAR, buffer, sizeof buffer, &indicator);
        if (rc == SQL_NO_DATA)
            return true;
        if (!ok(rc))
            throw OdbcConnection::error(SQL_HANDLE_STMT, m_stmt.get(), rc);
        if (indicator == SQL_NULL_DATA)
            return false;
        // A part that did not fit fills the buffer less its terminating zero.
        const std::size_t got = (indicator == SQL_NO_TOTAL || indicator >= SQLLEN(sizeof buffer))
                                    ? sizeof buffer - 1
                                    : std::size_t(indicator);
        out.insert(out.end(), buffer, buffer + got);
        if (rc == SQL_SUCCESS)
            return true;
    }
}

QString OdbcRecordset::value(int field, bool *isNull)
{
    const bool null = m_eof || m_rowNull[std::size_t(field)];
    if (isNull)
        *isNull = null;
    if (null)
        return {};
    const auto &cell = m_row[std::size_t(field)];
    return storedText({cell.data(), cell.size()});
}

void OdbcRecordset::getRows(DataArray &data)
{
    data.start(fieldCount());
    appendRows(data, std::numeric_limits<int>::max());
    data.finish();
}

bool OdbcRecordset::appendRows(DataArray &data, int maxRows)
{
    for (int n = 0; n < maxRows && !m_eof; ++n) {
        for (std::size_t f = 0; f < m_columns.size(); ++f) {
            if (m_rowNull[f] ? !data.appendNull() : !data.append({m_row[f].data(), m_row[f].size()})) {
                throw DbError{QCoreApplication::translate("OdbcRecordset",
                                                          "The result is too large to be held in memory."),
                              0, QStringLiteral("ODBC")};
            }
        }
        data.endRow();
        fetch();
    }
    return m_eof;
}
