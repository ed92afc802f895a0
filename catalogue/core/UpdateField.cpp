// SPDX-License-Identifier: MIT
#include "UpdateField.h"

#include "DbConnection.h"
#include "DbReport.h"
#include "DbTypes.h"
#include "FieldCheck.h"
#include "PartHistory.h"
#include "ValueRules.h"
#include "common/core/UiServices.h"
#include "modDB.h"
#include "modGlobal.h"

namespace modDB {

namespace {

void show(const Refusal &refusal)
{
    MsgBox(refusal.text, MsgIcon::Exclamation, MsgButtons::Ok, refusal.title);
}

QString caseStep(int code)
{
    switch (code) {
    case DbTypes::Long:
    case DbTypes::Currency:
    case DbTypes::Date:
    case DbTypes::Text:
    case DbTypes::Memo: return QStringLiteral("Case ") + QString::number(code);
    default: return QStringLiteral("Case Else");
    }
}

} // namespace

bool UpdateField(std::int32_t partId, const QString &field, const QString &value)
{
    return UpdateField(partId, field, g_Structure, value);
}

bool UpdateField(std::int32_t partId, const QString &field, const StructureArray &structure,
                 const QString &value)
{
    return EditField(partId, field, structure, value).has_value();
}

std::optional<PartHistory::Writer::Edit> EditField(std::int32_t partId, const QString &field,
                                                   const StructureArray &structure, const QString &rawValue)
{
    QString step = QStringLiteral("Begin");
    QString value = rawValue;
    std::optional<PartHistory::Writer::Edit> written;
    DbReport::guarded(
        QStringLiteral("UpdateField"),
        [&] {
            value = ValueRules::trimSpaces(rawValue);
            step = QStringLiteral("Check Array");
            if (structure.isArray())
                step = QStringLiteral("For / Next Array");
            const auto column = FieldCheck::find(structure, field, value);
            step = QStringLiteral("Post For/Next Array");
            if (!column)
                return show(column.error());
            step = caseStep(column->typeCode);
            const auto checked = FieldCheck::check(*column, value);
            if (!checked)
                return show(checked.error());
            PartHistory::Writer::Edit edit;
            if (RunTransaction([&](DbConnection &connection, QString &statement) {
                    statement = QStringLiteral("UPDATE PARTS SET [") + field + QStringLiteral("] = ") +
                                checked->literal + QStringLiteral(" WHERE PartID = ") +
                                QString::number(partId);
                    edit = PartHistory::Writer(connection).writeField(partId, field, checked->literal);
                }) == 0)
                written = edit;
        },
        [&] {
            using DbReport::kIndent;
            return QStringList{kIndent + step,
                               kIndent + QStringLiteral("Part ID: ") + QString::number(partId),
                               kIndent + QStringLiteral("Field: ") + field,
                               kIndent + QStringLiteral("Value: ") + value, g_DbConnect};
        });
    return written;
}

std::optional<QString> StoredValue(std::int32_t partId, const QString &field)
{
    try {
        auto connection = DbConnection::open(g_DbConnect);
        auto rs = connection->openRecordset(QStringLiteral("Select * from parts where PartID = ") +
                                            QString::number(partId));
        if (rs->eof())
            return std::nullopt;
        int at = -1;
        for (int i = 0; i < rs->fieldCount() && at < 0; ++i)
            if (rs->fieldName(i).toUpper() == field.toUpper())
                at = i;
        if (at < 0)
            return std::nullopt;
        DataArray rows;
        rs->getRows(rows);
        return rows.text(at, 0);
    } catch (...) {
        return std::nullopt;
    }
}

bool ValueFits(const QString &table, const QString &field, const QString &value)
{
    QString step = QStringLiteral("Open Connection");
    bool fits = false;
    const QString sql = QStringLiteral("SELECT [") + field + QStringLiteral("] FROM ") + table +
                        QStringLiteral(" WHERE 0 = 1");
    DbReport::guarded(
        QStringLiteral("ValueFits"),
        [&] {
            auto connection = DbConnection::open(g_DbConnect);
            step = QStringLiteral("Open Recordset: ") + sql;
            auto rs = connection->openRecordset(sql);
            step = QStringLiteral("Read field type");
            const FieldStructure column{field, rs->typeCode(0), rs->definedSize(0)};
            // The database may not hold a text to its declared size (SQLite does not).
            std::optional<Refusal> refusal = FieldCheck::storable(column, value);
            if (!refusal && column.typeCode == DbTypes::Text) {
                if (const auto checked = FieldCheck::check(column, value); !checked)
                    refusal = checked.error();
            }
            if (refusal)
                return show(*refusal);
            fits = true;
        },
        [&] {
            using DbReport::kIndent;
            return QStringList{kIndent + sql, kIndent + step, g_DbConnect};
        });
    return fits;
}

} // namespace modDB
