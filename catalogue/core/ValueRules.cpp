// SPDX-License-Identifier: MIT
#include "ValueRules.h"

#include <QLocale>
#include <QRegularExpression>
#include <QStringList>

#include <algorithm>
#include <cmath>

namespace ValueRules {

QString trimSpaces(const QString &text)
{
    qsizetype begin = 0, end = text.size();
    while (begin < end && text.at(begin) == u' ')
        ++begin;
    while (end > begin && text.at(end - 1) == u' ')
        --end;
    return text.mid(begin, end - begin);
}

namespace {

// "$12.50" and "12,50 €" without their currency symbol, as the locale writes them.
QString withoutCurrency(const QLocale &locale, QString text)
{
    // Right-to-left locales print their minus sign with an invisible direction mark that
    // Qt's own parsing then refuses; the marks carry no value.
    for (const char16_t mark : {u'\u061C', u'\u200E', u'\u200F'})
        text.remove(QChar(mark));
    text = text.trimmed();
    const QString symbol = locale.currencySymbol();
    if (!symbol.isEmpty()) {
        // "$12.50", "-$12.50", "12,50 €"
        if (text.startsWith(u'-') && text.mid(1).startsWith(symbol))
            text = u'-' + text.mid(1 + symbol.size()).trimmed();
        else if (text.startsWith(symbol))
            text = text.mid(symbol.size()).trimmed();
        else if (text.endsWith(symbol))
            text = text.left(text.size() - symbol.size()).trimmed();
    }
    return text;
}

std::optional<double> numberIn(const QLocale &locale, QString text)
{
    text = withoutCurrency(locale, text);
    bool ok = false;
    const double v = locale.toDouble(text, &ok);
    if (!ok || !std::isfinite(v))
        return std::nullopt;
    return v;
}

// The locale's date forms, with four-digit years where the locale writes two.
QStringList dateForms(const QLocale &locale, bool withTime)
{
    QStringList forms;
    auto add = [&forms](const QString &f) {
        // Typed dates often leave out leading zeros ("5.3.2024" for "dd.MM.yyyy").
        static const QRegularExpression day(QStringLiteral("(?<!d)dd(?!d)"));
        static const QRegularExpression month(QStringLiteral("(?<!M)MM(?!M)"));
        QString loose = f;
        loose.replace(day, QStringLiteral("d")).replace(month, QStringLiteral("M"));
        for (const QString &g : {f, loose}) {
            forms << g;
            if (!g.contains(QStringLiteral("yyyy")) && g.contains(QStringLiteral("yy")))
                forms << QString(g).replace(QStringLiteral("yy"), QStringLiteral("yyyy"));
        }
    };
    for (const auto type : {QLocale::ShortFormat, QLocale::LongFormat})
        add(withTime ? locale.dateTimeFormat(type) : locale.dateFormat(type));
    if (withTime) {
        // The locale's date followed by a time with or without seconds.
        const QString date = locale.dateFormat(QLocale::ShortFormat);
        for (const QString &d : {date, QString(date).replace(QStringLiteral("yy"), QStringLiteral("yyyy"))})
            for (const QString &t :
                 {locale.timeFormat(QLocale::ShortFormat), QStringLiteral("H:mm"), QStringLiteral("H:mm:ss")})
                forms << d + u' ' + t;
    }
    return forms;
}

std::optional<QDateTime> dateIn(const QLocale &locale, const QString &text, bool *hasTime)
{
    for (const bool withTime : {false, true}) {
        for (const QString &form : dateForms(locale, withTime)) {
            QDateTime dt =
                withTime ? locale.toDateTime(text, form) : QDateTime(locale.toDate(text, form), QTime(0, 0));
            if (!dt.isValid())
                continue;
            // Two-digit years fall in 1930..2029, as the desktop's date parsing has them.
            if (!form.contains(QStringLiteral("yyyy")) && dt.date().year() < 1930)
                dt = dt.addYears(100);
            *hasTime = withTime;
            return dt;
        }
    }
    return std::nullopt;
}

// A decimal number as its digits: value = (negative ? -1 : 1) * 0.d1d2d3... * 10^point, with
// no leading or trailing zeros in digits (zero has none at all).
struct Decimal {
    bool negative = false;
    QString digits;
    long long point = 0;
};

// Plain text: optional sign, digits with an optional '.', optional exponent.
std::optional<Decimal> plainDecimal(const QString &text)
{
    static const QRegularExpression form(
        QStringLiteral("^([+-]?)(\\d*)(?:\\.(\\d*))?(?:[eE]([+-]?)0*(\\d+))?$"));
    const QRegularExpressionMatch m = form.match(text);
    if (!m.hasMatch() || (m.captured(2).isEmpty() && m.captured(3).isEmpty()))
        return std::nullopt;
    Decimal d;
    d.negative = m.captured(1) == QStringLiteral("-");
    QString digits = m.captured(2) + m.captured(3);
    // An exponent of any length, as the parser takes it ("0e+30800000000000000" is 0);
    // beyond nine digits it is far past every limit either way.
    const QString e = m.captured(5);
    long long exponent = e.size() > 9 ? 1000000000LL : e.toLongLong();
    if (m.captured(4) == QStringLiteral("-"))
        exponent = -exponent;
    long long point = m.captured(2).size() + exponent;
    qsizetype lead = 0;
    while (lead < digits.size() && digits.at(lead) == u'0')
        ++lead;
    digits.remove(0, lead);
    point -= lead;
    while (digits.endsWith(u'0'))
        digits.chop(1);
    if (digits.isEmpty())
        return Decimal{};
    d.digits = digits;
    d.point = point;
    return d;
}

// The typed number as the locale writes it, turned into plain text first.
std::optional<Decimal> decimalIn(const QLocale &locale, const QString &typed)
{
    QString text = withoutCurrency(locale, typed);
    bool ok = false;
    locale.toDouble(text, &ok);
    if (!ok)
        return std::nullopt;
    text.remove(locale.groupSeparator());
    text.replace(locale.decimalPoint(), QStringLiteral("."));
    text.replace(locale.negativeSign(), QStringLiteral("-"));
    text.replace(QChar(0x2212), u'-'); // Qt reads the minus sign as '-' in every locale
    text.replace(locale.positiveSign(), QStringLiteral("+"));
    text.replace(locale.exponential(), QStringLiteral("e"), Qt::CaseInsensitive);
    text.remove(u' ');
    // Locales that write their own digits ("١٢٣" in Arabic) are read as 0-9.
    for (QChar &c : text) {
        if (c.isDigit())
            c = QChar(u'0' + c.digitValue());
    }
    return plainDecimal(text);
}

int compare(const Decimal &a, const Decimal &b)
{
    const int sa = a.digits.isEmpty() ? 0 : (a.negative ? -1 : 1);
    const int sb = b.digits.isEmpty() ? 0 : (b.negative ? -1 : 1);
    if (sa != sb)
        return sa < sb ? -1 : 1;
    if (sa == 0)
        return 0;
    int magnitude = 0;
    if (a.point != b.point) {
        magnitude = a.point < b.point ? -1 : 1;
    } else {
        const qsizetype n = std::max(a.digits.size(), b.digits.size());
        for (qsizetype i = 0; i < n && magnitude == 0; ++i) {
            const QChar x = i < a.digits.size() ? a.digits.at(i) : u'0';
            const QChar y = i < b.digits.size() ? b.digits.at(i) : u'0';
            if (x != y)
                magnitude = x < y ? -1 : 1;
        }
    }
    return sa * magnitude;
}

} // namespace

bool isValidUnicode(const QString &text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
            ++i;
        else if (c.isSurrogate())
            return false;
    }
    return true;
}

bool decimalWithin(const QString &text, const QString &low, const QString &high)
{
    auto value = decimalIn(QLocale(), text);
    if (!value)
        value = decimalIn(QLocale::c(), text);
    const auto lo = plainDecimal(low);
    const auto hi = plainDecimal(high);
    return value && lo && hi && compare(*value, *lo) >= 0 && compare(*value, *hi) <= 0;
}

std::optional<double> parseNumber(const QString &text)
{
    if (auto v = numberIn(QLocale(), text))
        return v;
    return numberIn(QLocale::c(), text);
}

std::optional<QDateTime> parseDate(const QString &text, bool *hasTime)
{
    bool time = false;
    std::optional<QDateTime> dt;
    const QString t = text.trimmed();
    if (t.isEmpty())
        return std::nullopt;
    dt = dateIn(QLocale(), t, &time);
    if (!dt) {
        // ISO 8601, which the database itself writes.
        const QDate d = QDate::fromString(t, QStringLiteral("yyyy-MM-dd"));
        if (d.isValid()) {
            dt = QDateTime(d, QTime(0, 0));
            time = false;
        }
        for (const QString &f : {QStringLiteral("yyyy-MM-dd HH:mm:ss"), QStringLiteral("yyyy-MM-dd HH:mm"),
                                 QStringLiteral("yyyy-MM-ddTHH:mm:ss"), QStringLiteral("yyyy-MM-ddTHH:mm")}) {
            const QDateTime x = QDateTime::fromString(t, f);
            if (!dt && x.isValid()) {
                dt = x;
                time = true;
            }
        }
    }
    if (!dt)
        dt = dateIn(QLocale::c(), t, &time);
    // The years a date column holds and ISO 8601 writes with four digits ("5.3.-2064" parses).
    if (dt && (dt->date().year() < 100 || dt->date().year() > 9999))
        return std::nullopt;
    if (dt && hasTime)
        *hasTime = time;
    return dt;
}

QString isoDate(const QDateTime &value, bool hasTime)
{
    return hasTime ? value.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))
                   : value.date().toString(Qt::ISODate);
}

qsizetype characterCount(const QString &text)
{
    qsizetype n = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
            ++i;
        ++n;
    }
    return n;
}

} // namespace ValueRules
