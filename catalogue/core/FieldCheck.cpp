// SPDX-License-Identifier: MIT
#include "FieldCheck.h"

#include "DbError.h"
#include "DbTypes.h"
#include "ValueRules.h"
#include "modDB.h"

#include <QCoreApplication>

#include <cmath>

namespace FieldCheck {

namespace {

// A refusal of a value that does not fit: the box quotes the column and the value.
Refusal notFitting(const QString &reason, const QString &title, const QString &field, int code,
                   long long size, const QString &value)
{
    return Refusal{
        reason, title,
        QCoreApplication::translate("UpdateField", "%1\r\nCannot update %2 of type %3 and size %4 to %5")
            .arg(reason, field, QString::number(code), QString::number(size), value)};
}

tl::unexpected<Refusal> refused(const QString &reason, const QString &title, const QString &field, int code,
                                long long size, const QString &value)
{
    return tl::unexpected<Refusal>(notFitting(reason, title, field, code, size, value));
}

tl::unexpected<Refusal> refused(const QString &reason, const QString &title, const FieldStructure &column,
                                const QString &value)
{
    return refused(reason, title, column.name, column.typeCode, column.definedSize, value);
}

// A refusal that is the box's whole text.
tl::unexpected<Refusal> said(const QString &text, const QString &title)
{
    return tl::unexpected<Refusal>(Refusal{text, title, text});
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

FieldValue unquoted(const QString &value)
{
    return FieldValue{value, value};
}

FieldValue quoted(const QString &value)
{
    return FieldValue{value, u'\'' + modDB::SQLQuote(value) + u'\''};
}

} // namespace

tl::expected<FieldStructure, Refusal> find(const StructureArray &structure, const QString &field,
                                           const QString &typed)
{
    if (!structure.isArray())
        return refused(QCoreApplication::translate("UpdateField", "Structure Array Is Not An Array."),
                       QCoreApplication::translate("UpdateField", "Database Not Updated"), field, 0, 0,
                       ValueRules::trimSpaces(typed));
    for (int i = 0; i < structure.fieldCount(); ++i) {
        if (structure.at(0, i).toUpper() != field.toUpper())
            continue;
        const int code = int(wholeNumber(structure.at(1, i)));
        return FieldStructure{field, code, wholeNumber(structure.at(2, i))};
    }
    return said(QCoreApplication::translate("UpdateField", "Structure for %1 / 0 not found").arg(field),
                QCoreApplication::translate("UpdateField", "Record Not Updated"));
}

std::optional<Refusal> storable(const FieldStructure &column, const QString &value)
{
    // A NUL would end the value early, a lone surrogate would be written as "?".
    if (!value.contains(QChar(u'\0')) && ValueRules::isValidUnicode(value))
        return std::nullopt;
    return notFitting(QCoreApplication::translate(
                          "UpdateField", "The entered value contains characters that cannot be stored."),
                      QCoreApplication::translate("UpdateField", "Record Not Updated"), column.name,
                      column.typeCode, column.definedSize, value);
}

tl::expected<FieldValue, Refusal> check(const FieldStructure &column, const QString &typed)
{
    const QString value = ValueRules::trimSpaces(typed);
    if (auto refusal = storable(column, value))
        return tl::unexpected<Refusal>(std::move(*refusal));
    switch (column.typeCode) {
    case DbTypes::Long: {
        const QString title = QCoreApplication::translate("UpdateField", "Long Integer Field Not Updated");
        const auto n = ValueRules::parseNumber(value);
        if (!n)
            return refused(QCoreApplication::translate("UpdateField", "The entered value is not numeric."),
                           title, column, value);
        // Rounded to even, as the desktop database converts a fraction to a long.
        const double whole = std::nearbyint(*n);
        if (whole < -2147483648.0 || whole > 2147483647.0)
            return refused(QCoreApplication::translate("UpdateField", "The entered value is out of range."),
                           title, column, value);
        return unquoted(sqlNumber(whole, 0));
    }
    case DbTypes::Currency: {
        const QString title = QCoreApplication::translate("UpdateField", "Currency Field Not Updated");
        const auto n = ValueRules::parseNumber(value);
        if (!n)
            return refused(QCoreApplication::translate("UpdateField", "The entered value is not numeric."),
                           title, column, value);
        // Doubles this large are an eighth apart: the limits are compared as typed.
        if (!ValueRules::decimalWithin(value, QStringLiteral("-922337203685477.5808"),
                                       QStringLiteral("922337203685477.5807")))
            return refused(QCoreApplication::translate("UpdateField", "The entered value is out of range."),
                           title, column, value);
        return unquoted(sqlNumber(*n, 4));
    }
    case DbTypes::Date: {
        bool hasTime = false;
        const auto date = ValueRules::parseDate(value, &hasTime);
        if (!date)
            return refused(
                QCoreApplication::translate("UpdateField", "The entered value is not a valid date."),
                QCoreApplication::translate("UpdateField", "Date Field Not Updated"), column, value);
        return quoted(ValueRules::isoDate(*date, hasTime));
    }
    case DbTypes::Text:
        if (ValueRules::characterCount(value) > column.definedSize)
            return refused(QCoreApplication::translate("UpdateField", "The entered value is too long."),
                           QCoreApplication::translate("UpdateField", "Text Field Not Updated"), column,
                           value);
        return quoted(value);
    case DbTypes::Memo: return quoted(value);
    default:
        return said(QCoreApplication::translate("UpdateField", "Data type for %1 = %2 not recognized")
                        .arg(column.name, QString::number(column.typeCode)),
                    QCoreApplication::translate("UpdateField", "Record Not Updated"));
    }
}

} // namespace FieldCheck
