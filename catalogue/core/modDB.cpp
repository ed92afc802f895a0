// SPDX-License-Identifier: MIT
#include "modDB.h"

#include "DbConnection.h"
#include "DbReport.h"
#include "ValueRules.h"
#include "modGlobal.h"

#include <limits>
#include <optional>

StructureArray g_Structure;

namespace modDB {

using DbReport::guarded;
using DbReport::kIndent;

namespace {

// Runs a one-value query on its own connection: the first row's first value, or nullopt
// without rows. `statement` and `step` follow it as the failure report shows them; the
// caller marks the close once it has used the value.
std::optional<QString> firstValue(const QString &sql, QString &statement, QString &step)
{
    step = QStringLiteral("Open Connection");
    auto connection = DbConnection::open(g_DbConnect);
    statement = sql;
    step = QStringLiteral("Open Recordset: ") + statement;
    auto rs = connection->openRecordset(statement);
    std::optional<QString> value;
    if (!rs->eof())
        value = rs->value(0);
    return value;
}

} // namespace

std::int16_t LoadArray(const QString &sql, DataArray &data, QStringList &fieldNames,
                       const DbConnection::Narrowing &narrowing)
{
    StructureArray structure;
    return LoadArray(sql, data, fieldNames, structure, narrowing);
}

std::int16_t LoadArray(const QString &sql, DataArray &data, QStringList &fieldNames,
                       StructureArray &structure, const DbConnection::Narrowing &narrowing)
{
    // A caller's earlier result must never pass for this one's.
    data.clear();
    fieldNames.clear();
    structure.erase();

    StructureArray fields;
    QString step = QStringLiteral("Open Connection: ") + g_DbConnect;
    const bool ran = guarded(
        QStringLiteral("LoadArray"),
        [&] {
            auto connection = DbConnection::open(g_DbConnect);
            step = QStringLiteral("Open Recordset");
            auto rs = narrowing ? connection->openNarrowed(sql, narrowing) : connection->openRecordset(sql);
            step = QStringLiteral("If not EOF ...");
            if (!rs->eof()) {
                GetStructure(*rs, fields);
                g_Structure = fields;
                step = QStringLiteral("Collect field names");
                QStringList names;
                for (int i = 0; i < rs->fieldCount(); ++i)
                    names << rs->fieldName(i);
                fieldNames = names;
                step = QStringLiteral("Get Rows ...");
                DataArray rows;
                rs->getRows(rows);
                data = std::move(rows);
            }
            step = QStringLiteral("Clean up");
        },
        [&] {
            return QStringList{kIndent + step, g_DbConnect, sql};
        });
    if (ran)
        structure = std::move(fields);
    return ran ? 0 : -1;
}

RowReader::RowReader() = default;

RowReader::~RowReader()
{
    close();
}

void RowReader::close()
{
    m_rs.reset();
    m_connection.reset();
}

bool RowReader::open(const QString &sql, DataArray &data, QStringList &fieldNames,
                     const DbConnection::Narrowing &narrowing)
{
    close();
    data.clear();
    fieldNames.clear();
    m_sql = sql;
    m_connect = g_DbConnect;
    QString step = QStringLiteral("Open Connection: ") + m_connect;
    const bool ran = guarded(
        QStringLiteral("LoadArray"),
        [&] {
            m_connection = DbConnection::open(m_connect);
            step = QStringLiteral("Open Recordset");
            m_rs = narrowing ? m_connection->openNarrowed(sql, narrowing) : m_connection->openRecordset(sql);
            step = QStringLiteral("If not EOF ...");
            if (m_rs->eof()) {
                close();
                return;
            }
            m_connection->readOnwardOnly();
            GetStructure(*m_rs);
            step = QStringLiteral("Collect field names");
            for (int i = 0; i < m_rs->fieldCount(); ++i)
                fieldNames << m_rs->fieldName(i);
            data.start(m_rs->fieldCount());
        },
        [&] {
            return QStringList{kIndent + step, m_connect, sql};
        });
    if (!ran) {
        close();
        data.clear();
        fieldNames.clear();
    }
    return ran;
}

bool RowReader::read(DataArray &data, int maxRows)
{
    if (!m_rs)
        return true;
    bool end = false;
    const bool ran = guarded(
        QStringLiteral("LoadArray"), [&] { end = m_rs->appendRows(data, maxRows); },
        [&] {
            return QStringList{kIndent + QStringLiteral("Get Rows ..."), m_connect, m_sql};
        });
    if (!ran) {
        data.clear();
        end = true;
    }
    if (end) {
        data.finish();
        close();
    }
    return end;
}

void GetStructure(const DbRecordset &rs)
{
    GetStructure(rs, g_Structure);
}

void GetStructure(const DbRecordset &rs, StructureArray &structure)
{
    structure.erase();
    QString step = QStringLiteral("For each field ...");
    guarded(
        QStringLiteral("GetStructure"),
        [&] {
            for (int i = 0; i < rs.fieldCount(); ++i) {
                step = QStringLiteral("ReDim Preserve ...");
                step = QStringLiteral("Read field name");
                const QString name = rs.fieldName(i);
                step = QStringLiteral("Read field type");
                const QString type = QString::number(rs.typeCode(i));
                step = QStringLiteral("Read field size");
                const QString size = QString::number(rs.definedSize(i));
                structure.append(name, type, size);
                step = QStringLiteral("Next");
            }
            step = QStringLiteral("Complete");
        },
        [&] {
            return QStringList{kIndent + step, g_DbConnect};
        });
}

std::int16_t RunSQL(const QString &sql)
{
    QString step = QStringLiteral("Set Connection String: ") + g_DbConnect;
    const bool ran = guarded(
        QStringLiteral("RunSQL"),
        [&] {
            step = QStringLiteral("Open Connection");
            auto connection = DbConnection::open(g_DbConnect);
            step = QStringLiteral("Execute SQL: ") + sql;
            connection->execute(sql);
            step = QStringLiteral("Close Connection");
        },
        [&] {
            return QStringList{kIndent + sql, kIndent + step};
        });
    return ran ? 0 : -1;
}

std::int16_t RunTransaction(const std::function<void(DbConnection &connection, QString &step)> &body)
{
    QString step = QStringLiteral("Set Connection String: ") + g_DbConnect;
    QString statement;
    std::unique_ptr<DbConnection> connection;
    const bool ran = guarded(
        QStringLiteral("RunSQL"),
        [&] {
            step = QStringLiteral("Open Connection");
            connection = DbConnection::open(g_DbConnect);
            step = QStringLiteral("Begin Transaction");
            connection->begin();
            step = QStringLiteral("Execute SQL");
            body(*connection, statement);
            step = QStringLiteral("Commit Transaction");
            connection->commit();
            step = QStringLiteral("Close Connection");
        },
        [&] {
            if (connection)
                connection->rollback();
            if (step == QStringLiteral("Execute SQL"))
                step += QStringLiteral(": ") + statement;
            return QStringList{kIndent + statement, kIndent + step};
        });
    return ran ? 0 : -1;
}

QString LookUp(const QString &table, const QString &field, const QString &criterion)
{
    QString result = QStringLiteral("-1");
    QString statement;
    QString step = QStringLiteral("Set Connection String: ") + g_DbConnect;
    guarded(
        QStringLiteral("LookUp"),
        [&] {
            const auto value =
                firstValue(QStringLiteral("SELECT TOP 1 [") + field + QStringLiteral("] FROM ") + table +
                               QStringLiteral(" WHERE ") + criterion,
                           statement, step);
            if (value)
                result = ValueRules::trimSpaces(*value);
            step = QStringLiteral("Close Connection");
        },
        [&] {
            return QStringList{kIndent + statement, kIndent + step};
        });
    return result;
}

std::int32_t dbCount(const QString &table, const QString &criterion)
{
    std::int32_t result = -1;
    QString statement;
    QString step = QStringLiteral("Set Connection String: ") + g_DbConnect;
    guarded(
        QStringLiteral("dbCount"),
        [&] {
            QString sql = QStringLiteral("SELECT COUNT(*) FROM ") + table;
            if (!criterion.isEmpty())
                sql += QStringLiteral(" WHERE ") + criterion;
            const auto value = firstValue(sql, statement, step);
            std::int32_t count = 0;
            if (value) {
                bool ok = false;
                const qlonglong n = value->toLongLong(&ok);
                if (!ok)
                    throw DbError{QStringLiteral("Type mismatch"), 13, QStringLiteral("Orvana")};
                if (n > std::numeric_limits<std::int32_t>::max() ||
                    n < std::numeric_limits<std::int32_t>::min())
                    throw DbError{QStringLiteral("Overflow"), 6, QStringLiteral("Orvana")};
                count = std::int32_t(n);
            }
            result = count;
            step = QStringLiteral("Close Connection");
        },
        [&] {
            return QStringList{kIndent + statement, kIndent + step};
        });
    return result;
}

QString SQLQuote(const QString &value)
{
    QString quoted = value;
    quoted.replace(u'\'', QStringLiteral("''"));
    return quoted;
}

} // namespace modDB
