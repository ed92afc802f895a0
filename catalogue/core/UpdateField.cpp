// SPDX-License-Identifier: MIT
#include "UpdateField.h"

#include "DbConnection.h"
#include "DbReport.h"
#include "DbTypes.h"
#include "UiServices.h"
#include "ValueRules.h"
#include "modDB.h"
#include "modGlobal.h"

#include <QCoreApplication>

#include <cmath>

namespace modDB {

namespace {

void refuse(const QString &reason, const QString &title, const QString &field, int code, long long size,
            const QString &value)
{
    MsgBox(QCoreApplication::translate("UpdateField", "%1\r\nCannot update %2 of type %3 and size %4 to %5")
               .arg(reason, field, QString::number(code), QString::number(size), value),
           MsgIcon::Exclamation, MsgButtons::Ok, title);
}

QString tooLong()
{
    return QCoreApplication::translate("UpdateField", "The entered value is too long.");
}

QString textTitle()
{
    return QCoreApplication::translate("UpdateField", "Text Field Not Updated");
}

// A value that no column can hold as typed: a NUL would end it early, a lone surrogate
// would be written as "?".
bool storable(const QString &field, int code, long long size, const QString &value)
{
    if (!value.contains(QChar(u'\0')) && ValueRules::isValidUnicode(value))
        return true;
    refuse(QCoreApplication::translate("UpdateField",
                                       "The entered value contains characters that cannot be stored."),
           QCoreApplication::translate("UpdateField", "Record Not Updated"), field, code, size, value);
    return false;
}

long long wholeNumber(const QString &text)
{
    bool ok = false;
    const long long n = ValueRules::trimSpaces(text).toLongLong(&ok);
    if (!ok)
        throw DbError{QStringLiteral("Type mismatch"), 13, QStringLiteral("Orvana")};
    return n;
}

// The number as the database's SQL reads it, whatever the locale it was typed in.
QString sqlNumber(double v, int decimals)
{
    QString s = QString::number(v, 'f', decimals);
    if (s.contains(u'.')) {
        while (s.endsWith(u'0'))
            s.chop(1);
        if (s.endsWith(u'.'))
            s.chop(1);
    }
    return s == QStringLiteral("-0") ? QStringLiteral("0") : s;
}

} // namespace

bool UpdateField(std::int32_t partId, const QString &field, const QString &rawValue)
{
    QString step = QStringLiteral("Begin");
    QString value = rawValue;
    bool written = false;
    DbReport::guarded(
        QStringLiteral("UpdateField"),
        [&] {
            value = ValueRules::trimSpaces(rawValue);

            step = QStringLiteral("Check Array");
            if (!g_Structure.isArray()) {
                refuse(QCoreApplication::translate("UpdateField", "Structure Array Is Not An Array."),
                       QCoreApplication::translate("UpdateField", "Database Not Updated"), field, 0, 0,
                       value);
                return;
            }

            step = QStringLiteral("For / Next Array");
            int code = 0;
            long long size = 0;
            bool found = false;
            for (int i = 0; i < g_Structure.fieldCount() && !found; ++i) {
                if (g_Structure.at(0, i).toUpper() != field.toUpper())
                    continue;
                code = int(wholeNumber(g_Structure.at(1, i)));
                size = wholeNumber(g_Structure.at(2, i));
                found = true;
            }

            step = QStringLiteral("Post For/Next Array");
            if (!found) {
                MsgBox(
                    QCoreApplication::translate("UpdateField", "Structure for %1 / 0 not found").arg(field),
                    MsgIcon::Exclamation, MsgButtons::Ok,
                    QCoreApplication::translate("UpdateField", "Record Not Updated"));
                return;
            }
            if (!storable(field, code, size, value))
                return;

            const QString head = QStringLiteral("UPDATE PARTS SET [") + field + QStringLiteral("] = ");
            const QString tail = QStringLiteral(" WHERE PartID = ") + QString::number(partId);
            const QString notNumeric =
                QCoreApplication::translate("UpdateField", "The entered value is not numeric.");
            const QString outOfRange =
                QCoreApplication::translate("UpdateField", "The entered value is out of range.");
            switch (code) {
            case DbTypes::Long: {
                step = QStringLiteral("Case 3");
                const QString title =
                    QCoreApplication::translate("UpdateField", "Long Integer Field Not Updated");
                const auto n = ValueRules::parseNumber(value);
                if (!n)
                    return refuse(notNumeric, title, field, code, size, value);
                // Rounded to even, as the desktop database converts a fraction to a long.
                const double whole = std::nearbyint(*n);
                if (whole < -2147483648.0 || whole > 2147483647.0)
                    return refuse(outOfRange, title, field, code, size, value);
                written = RunSQL(head + sqlNumber(whole, 0) + tail) == 0;
                break;
            }
            case DbTypes::Currency: {
                step = QStringLiteral("Case 6");
                const QString title =
                    QCoreApplication::translate("UpdateField", "Currency Field Not Updated");
                const auto n = ValueRules::parseNumber(value);
                if (!n)
                    return refuse(notNumeric, title, field, code, size, value);
                // Doubles this large are an eighth apart: the limits are compared as typed.
                if (!ValueRules::decimalWithin(value, QStringLiteral("-922337203685477.5808"),
                                               QStringLiteral("922337203685477.5807")))
                    return refuse(outOfRange, title, field, code, size, value);
                written = RunSQL(head + sqlNumber(*n, 4) + tail) == 0;
                break;
            }
            case DbTypes::Date: {
                step = QStringLiteral("Case 7");
                bool hasTime = false;
                const auto date = ValueRules::parseDate(value, &hasTime);
                if (!date)
                    return refuse(
                        QCoreApplication::translate("UpdateField", "The entered value is not a valid date."),
                        QCoreApplication::translate("UpdateField", "Date Field Not Updated"), field, code,
                        size, value);
                written = RunSQL(head + u'\'' + ValueRules::isoDate(*date, hasTime) + u'\'' + tail) == 0;
                break;
            }
            case DbTypes::Text:
                step = QStringLiteral("Case 202");
                if (ValueRules::characterCount(value) > size)
                    return refuse(tooLong(), textTitle(), field, code, size, value);
                written = RunSQL(head + u'\'' + SQLQuote(value) + u'\'' + tail) == 0;
                break;
            case DbTypes::Memo:
                step = QStringLiteral("Case 203");
                written = RunSQL(head + u'\'' + SQLQuote(value) + u'\'' + tail) == 0;
                break;
            default:
                step = QStringLiteral("Case Else");
                MsgBox(QCoreApplication::translate("UpdateField", "Data type for %1 = %2 not recognized")
                           .arg(field, QString::number(code)),
                       MsgIcon::Exclamation, MsgButtons::Ok,
                       QCoreApplication::translate("UpdateField", "Record Not Updated"));
                break;
            }
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
            const int code = rs->typeCode(0);
            const long long size = rs->definedSize(0);
            if (!storable(field, code, size, value))
                return;
            // The database may not hold a text to its declared size (SQLite does not).
            if (code == DbTypes::Text && ValueRules::characterCount(value) > size)
                return refuse(tooLong(), textTitle(), field, code, size, value);
            fits = true;
        },
        [&] {
            using DbReport::kIndent;
            return QStringList{kIndent + sql, kIndent + step, g_DbConnect};
        });
    return fits;
}

} // namespace modDB
