#include "UpdateField.h"

#include "DbReport.h"
#include "DbTypes.h"
#include "UiServices.h"
#include "ValueRules.h"
#include "modDB.h"
#include "modGlobal.h"

#include <cmath>

namespace modDB {

namespace {

void refuse(const QString &reason, const QString &title, const QString &field, int code, long long size,
            const QString &value)
{
    MsgBox(reason + QStringLiteral("\r\nCannot update ") + field + QStringLiteral(" of type ") +
               QString::number(code) + QStringLiteral(" and size ") + QString::number(size) +
               QStringLiteral(" to ") + value,
           MsgIcon::Exclamation, MsgButtons::Ok, title);
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

void UpdateField(std::int32_t partId, const QString &field, const QString &rawValue)
{
    QString step = QStringLiteral("Begin");
    QString value = rawValue;
    DbReport::guarded(
        QStringLiteral("UpdateField"),
        [&] {
            value = ValueRules::trimSpaces(rawValue);

            step = QStringLiteral("Check Array");
            if (!g_Structure.isArray()) {
                refuse(QStringLiteral("Structure Array Is Not An Array."),
                       QStringLiteral("Database Not Updated"), field, 0, 0, value);
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
                MsgBox(QStringLiteral("Structure for ") + field + QStringLiteral(" / 0 not found"),
                       MsgIcon::Exclamation, MsgButtons::Ok, QStringLiteral("Record Not Updated"));
                return;
            }

            const QString head = QStringLiteral("UPDATE PARTS SET [") + field + QStringLiteral("] = ");
            const QString tail = QStringLiteral(" WHERE PartID = ") + QString::number(partId);
            const QString notNumeric = QStringLiteral("The entered value is not numeric.");
            const QString outOfRange = QStringLiteral("The entered value is out of range.");
            switch (code) {
            case DbTypes::Long: {
                step = QStringLiteral("Case 3");
                const QString title = QStringLiteral("Long Integer Field Not Updated");
                const auto n = ValueRules::parseNumber(value);
                if (!n)
                    return refuse(notNumeric, title, field, code, size, value);
                // Rounded to even, as the desktop database converts a fraction to a long.
                const double whole = std::nearbyint(*n);
                if (whole < -2147483648.0 || whole > 2147483647.0)
                    return refuse(outOfRange, title, field, code, size, value);
                RunSQL(head + sqlNumber(whole, 0) + tail);
                break;
            }
            case DbTypes::Currency: {
                step = QStringLiteral("Case 6");
                const QString title = QStringLiteral("Currency Field Not Updated");
                const auto n = ValueRules::parseNumber(value);
                if (!n)
                    return refuse(notNumeric, title, field, code, size, value);
                if (std::fabs(*n) > 922337203685477.5807)
                    return refuse(outOfRange, title, field, code, size, value);
                RunSQL(head + sqlNumber(*n, 4) + tail);
                break;
            }
            case DbTypes::Date: {
                step = QStringLiteral("Case 7");
                bool hasTime = false;
                const auto date = ValueRules::parseDate(value, &hasTime);
                if (!date)
                    return refuse(QStringLiteral("The entered value is not a valid date."),
                                  QStringLiteral("Date Field Not Updated"), field, code, size, value);
                RunSQL(head + u'\'' + ValueRules::isoDate(*date, hasTime) + u'\'' + tail);
                break;
            }
            case DbTypes::Text:
                step = QStringLiteral("Case 202");
                if (ValueRules::characterCount(value) > size)
                    return refuse(QStringLiteral("The entered value is too long."),
                                  QStringLiteral("Text Field Not Updated"), field, code, size, value);
                RunSQL(head + u'\'' + SQLQuote(value) + u'\'' + tail);
                break;
            case DbTypes::Memo:
                step = QStringLiteral("Case 203");
                RunSQL(head + u'\'' + SQLQuote(value) + u'\'' + tail);
                break;
            default:
                step = QStringLiteral("Case Else");
                MsgBox(QStringLiteral("Data type for ") + field + QStringLiteral(" = ") +
                           QString::number(code) + QStringLiteral(" not recognized"),
                       MsgIcon::Exclamation, MsgButtons::Ok, QStringLiteral("Record Not Updated"));
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
}

} // namespace modDB
