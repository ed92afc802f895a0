// SPDX-License-Identifier: MIT
#include "DbTypes.h"

#include <QRegularExpression>

namespace DbTypes {

bool fromDeclaration(const QString &declared, TypeInfo *info)
{
    static const QRegularExpression shape(
        QStringLiteral(R"(^\s*([A-Za-z][A-Za-z ]*?)\s*(?:\(\s*(\d+)[^)]*\))?\s*$)"));
    const auto m = shape.match(declared);
    if (!m.hasMatch())
        return false;
    const QString name = m.captured(1).toUpper().simplified();
    const bool sized = m.hasCaptured(2) && !m.captured(2).isEmpty();
    TypeInfo t;

    auto is = [&name](std::initializer_list<const char *> names) {
        for (const char *n : names)
            if (name == QLatin1String(n))
                return true;
        return false;
    };

    if (is({"INTEGER", "INT", "LONG", "COUNTER", "AUTOINCREMENT", "MEDIUMINT"}))
        t.code = Long;
    else if (is({"CURRENCY", "MONEY"}))
        t.code = Currency;
    else if (is({"DATE", "DATETIME", "TIMESTAMP", "TIME"}))
        t.code = Date;
    else if (is({"VARCHAR", "CHAR", "NVARCHAR", "NCHAR", "CHARACTER", "VARYING CHARACTER", "NATIVE CHARACTER",
                 "CHARACTER VARYING", "STRING"}))
        t.code = Text;
    else if (is({"TEXT", "NTEXT"}))
        t.code = sized ? Text : Memo; // TEXT(n) is a sized text, bare TEXT a memo
    else if (is({"MEMO", "LONGTEXT", "LONGCHAR", "CLOB", "LONG VARCHAR", "MEDIUMTEXT"}))
        t.code = Memo;
    else if (is({"DOUBLE", "REAL", "FLOAT", "DOUBLE PRECISION", "FLOAT8", "FLOAT4", "SINGLE"}))
        t.code = Double;
    else if (is({"BIT", "YESNO", "BOOLEAN", "BOOL", "LOGICAL"}))
        t.code = YesNo;
    else if (is({"SMALLINT", "SHORT", "INT2"}))
        t.code = SmallInt;
    else if (is({"TINYINT", "BYTE"}))
        t.code = Byte;
    else if (is({"BIGINT", "INT8"}))
        t.code = BigInt;
    else if (is({"NUMERIC", "DECIMAL"}))
        t.code = Numeric;
    else if (is({"GUID", "UNIQUEIDENTIFIER"}))
        t.code = Guid;
    else if (is({"BLOB", "BINARY", "VARBINARY", "LONGBINARY", "IMAGE", "OLEOBJECT"}))
        t.code = Binary;
    else
        return false;

    t.size = (t.code == Text && sized) ? m.captured(2).toLongLong() : defaultSize(t.code);
    *info = t;
    return true;
}

long long defaultSize(int code)
{
    switch (code) {
    case SmallInt: return 2;
    case Long: return 4;
    case Double: return 8;
    case Currency: return 8;
    case Date: return 8;
    case YesNo: return 2;
    case Byte: return 1;
    case BigInt: return 8;
    case Guid: return 16;
    case Numeric: return 19;
    case Text: return 255;
    case Memo: return 536870910; // what the desktop database reports for a memo
    case Binary: return 1073741823;
    default: return 0;
    }
}

QString topToLimit(const QString &sql)
{
    static const QRegularExpression top(QStringLiteral(R"(^\s*SELECT\s+TOP\s+(\d+)\s+(.*?)[\s;]*$)"),
                                        QRegularExpression::CaseInsensitiveOption |
                                            QRegularExpression::DotMatchesEverythingOption);
    const auto m = top.match(sql);
    if (!m.hasMatch())
        return sql;
    return QStringLiteral("SELECT ") + m.captured(2) + QStringLiteral(" LIMIT ") + m.captured(1);
}

} // namespace DbTypes
