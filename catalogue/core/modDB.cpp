#include "modDB.h"

#include "DbConnection.h"
#include "DbReport.h"
#include "ValueRules.h"
#include "modGlobal.h"

#include <limits>

StructureArray g_Structure;

namespace modDB {

using DbReport::guarded;
using DbReport::kIndent;

std::int16_t LoadArray(const QString &sql, DataArray &data, QStringList &fieldNames)
{
    // A caller's earlier result must never pass for this one's.
    data.clear();
    fieldNames.clear();

    QString step = QStringLiteral("Open Connection: ") + g_DbConnect;
    const bool ran = guarded(
        QStringLiteral("LoadArray"),
        [&] {
            auto connection = DbConnection::open(g_DbConnect);
            step = QStringLiteral("Open Recordset");
            auto rs = connection->openRecordset(sql);
            step = QStringLiteral("If not EOF ...");
            if (!rs->eof()) {
                GetStructure(*rs);
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
    return ran ? 0 : -1;
}

void GetStructure(const DbRecordset &rs)
{
    g_Structure.erase();
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
                g_Structure.append(name, type, size);
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

QString LookUp(const QString &table, const QString &field, const QString &criterion)
{
    QString result = QStringLiteral("-1");
    QString statement;
    QString step = QStringLiteral("Set Connection String: ") + g_DbConnect;
    guarded(
        QStringLiteral("LookUp"),
        [&] {
            step = QStringLiteral("Open Connection");
            auto connection = DbConnection::open(g_DbConnect);
            statement = QStringLiteral("SELECT TOP 1 [") + field + QStringLiteral("] FROM ") + table +
                        QStringLiteral(" WHERE ") + criterion;
            step = QStringLiteral("Open Recordset: ") + statement;
            auto rs = connection->openRecordset(statement);
            if (!rs->eof())
                result = ValueRules::trimSpaces(rs->value(0));
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
            step = QStringLiteral("Open Connection");
            auto connection = DbConnection::open(g_DbConnect);
            statement = QStringLiteral("SELECT COUNT(*) FROM ") + table;
            if (!criterion.isEmpty())
                statement += QStringLiteral(" WHERE ") + criterion;
            step = QStringLiteral("Open Recordset: ") + statement;
            auto rs = connection->openRecordset(statement);
            std::int32_t count = 0;
            if (!rs->eof()) {
                bool ok = false;
                const qlonglong n = rs->value(0).toLongLong(&ok);
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
