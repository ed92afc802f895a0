// SPDX-License-Identifier: MIT
#include "PgDialect.h"

#include <QCoreApplication>
#include <QRegularExpression>

#include <array>

namespace PgDialect {

namespace {

bool wordStart(QChar c)
{
    return c.isLetter() || c == u'_';
}

bool wordChar(QChar c)
{
    return c.isLetterOrNumber() || c == u'_' || c == u'$';
}

// End of the apostrophe literal that starts at `i` (doubled apostrophes stay inside).
qsizetype literalEnd(const QString &sql, qsizetype i)
{
    const qsizetype n = sql.size();
    for (qsizetype j = i + 1; j < n; ++j) {
        if (sql[j] != u'\'')
            continue;
        if (j + 1 < n && sql[j + 1] == u'\'') {
            ++j;
            continue;
        }
        return j + 1;
    }
    return n;
}

qsizetype wordEnd(const QString &sql, qsizetype i)
{
    while (i < sql.size() && wordChar(sql[i]))
        ++i;
    return i;
}

bool isPlainName(const QString &name)
{
    static const QRegularExpression plain(QStringLiteral(R"(^[A-Za-z_][A-Za-z0-9_]*$)"));
    return plain.match(name).hasMatch();
}

// Spellings of the standard table, for the names a statement does not write ("Select *").
constexpr std::array kStandardNames{"PartID", "AsscWith", "PartNumber",  "PartDescription", "Bin",
                                    "Qty",    "Price",    "LastOrdered", "Notes",           "PartLink"};

} // namespace

bool isServer(const QString &dbmsName)
{
    return dbmsName.contains(QStringLiteral("PostgreSQL"), Qt::CaseInsensitive);
}

QString statement(const QString &sql)
{
    QString out;
    out.reserve(sql.size() + 16);
    const qsizetype n = sql.size();
    bool afterLike = false; // the pattern literal that follows gets a plain escape
    qsizetype i = 0;
    while (i < n) {
        const QChar c = sql[i];
        if (c == u'\'') {
            const qsizetype end = literalEnd(sql, i);
            out += QStringView(sql).mid(i, end - i);
            i = end;
            if (afterLike) {
                // PostgreSQL takes a backslash in a pattern as its escape; the desktop
                // database takes it as a backslash.
                qsizetype k = i;
                while (k < n && sql[k].isSpace())
                    ++k;
                if (QStringView(sql).mid(k, wordEnd(sql, k) - k).compare(u"ESCAPE", Qt::CaseInsensitive) != 0)
                    out += QStringLiteral(" ESCAPE ''");
                afterLike = false;
            }
            continue;
        }
        if (c == u'"') {
            const qsizetype close = sql.indexOf(u'"', i + 1);
            const qsizetype end = close < 0 ? n : close + 1;
            out += QStringView(sql).mid(i, end - i);
            i = end;
            afterLike = false;
            continue;
        }
        if (c == u'[') {
            const qsizetype close = sql.indexOf(u']', i + 1);
            if (close < 0) {
                out += QStringView(sql).mid(i);
                break;
            }
            QString name = sql.mid(i + 1, close - i - 1);
            if (isPlainName(name))
                out += name;
            else
                out += u'"' + name.replace(u'"', QStringLiteral("\"\"")) + u'"';
            i = close + 1;
            afterLike = false;
            continue;
        }
        if (c == u';') {
            for (qsizetype k = i + 1; k < n; ++k)
                if (!sql[k].isSpace() && sql[k] != u';')
                    throw DbError{QCoreApplication::translate("PgDialect",
                                                              "Characters found after end of SQL statement."),
                                  0, QStringLiteral("PostgreSQL")};
            break;
        }
        if (wordStart(c)) {
            const qsizetype end = wordEnd(sql, i);
            const QStringView word = QStringView(sql).mid(i, end - i);
            if (word.compare(u"LIKE", Qt::CaseInsensitive) == 0) {
                out += QStringLiteral("ILIKE");
                afterLike = true;
            } else {
                out += word;
                afterLike = false;
            }
            i = end;
            continue;
        }
        if (!c.isSpace())
            afterLike = false;
        out += c;
        ++i;
    }
    return DbTypes::topToLimit(out);
}

QString heading(const QString &returned, const QString &sql)
{
    // A name the server returns with capitals was quoted: it is the table's own spelling.
    if (returned != returned.toLower())
        return returned;
    const qsizetype n = sql.size();
    for (qsizetype i = 0; i < n;) {
        if (sql[i] == u'\'') {
            i = literalEnd(sql, i);
        } else if (wordStart(sql[i])) {
            const qsizetype end = wordEnd(sql, i);
            if (QStringView(sql).mid(i, end - i).compare(returned, Qt::CaseInsensitive) == 0)
                return sql.mid(i, end - i);
            i = end;
        } else {
            ++i;
        }
    }
    for (const char *name : kStandardNames)
        if (returned.compare(QLatin1String(name), Qt::CaseInsensitive) == 0)
            return QLatin1String(name);
    return returned;
}

DbTypes::TypeInfo type(const QString &typeName, DbTypes::TypeInfo given, long long precision, int scale)
{
    const QString name = typeName.toLower();
    if (given.code == DbTypes::BigInt || given.code == DbTypes::SmallInt || name == QLatin1String("int8") ||
        name == QLatin1String("int2"))
        return {DbTypes::Long, DbTypes::defaultSize(DbTypes::Long)};
    if (given.code == DbTypes::Numeric && scale <= 4 && precision <= 19)
        return {DbTypes::Currency, DbTypes::defaultSize(DbTypes::Currency)};
    return given;
}

} // namespace PgDialect
