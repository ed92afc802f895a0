// SPDX-License-Identifier: MIT
// The record view's typed values: numbers (long integer and currency) and dates as a user
// types them in the locale named before the first '|' ("de_DE|1.234,50"). Properties: a
// value that is accepted, printed again (in the locale, and in the form the database is
// given) and parsed again, is the same value; the currency column's exact range check
// reads the same number as the parser.

#include "FuzzCheck.h"
#include "catalogue/core/ValueRules.h"

#include <QLocale>

#include <array>
#include <cmath>

namespace {

const std::array kLocales = {"C",     "en_US", "en_GB", "de_DE", "de_CH", "fr_FR", "fr_CH",
                             "sv_SE", "ja_JP", "ar_EG", "fa_IR", "hi_IN", "en_IN", "es_ES",
                             "pt_BR", "ru_RU", "nl_NL", "it_IT", "pl_PL", "tr_TR", "he_IL"};

QLocale localeFor(const QByteArray &head)
{
    for (const char *name : kLocales) {
        if (head == name)
            return name == QByteArray("C") ? QLocale::c() : QLocale(QString::fromLatin1(name));
    }
    const char *name = kLocales[qHash(head) % kLocales.size()];
    return name == QByteArray("C") ? QLocale::c() : QLocale(QString::fromLatin1(name));
}

void checkNumber(const QLocale &locale, const QString &text)
{
    const auto v = ValueRules::parseNumber(text);
    if (!v)
        return;
    FUZZ_CHECK(std::isfinite(*v), fuzz::show(text));
    // The currency column's exact range check reads the same number: far inside the
    // limits it is within them, far outside it is not.
    const bool within = ValueRules::decimalWithin(text, QStringLiteral("-922337203685477.5808"),
                                                  QStringLiteral("922337203685477.5807"));
    FUZZ_CHECK(std::fabs(*v) > 9.2e14 || within, fuzz::show(text) + QStringLiteral(" is out of range"));
    FUZZ_CHECK(std::fabs(*v) < 9.3e14 || !within, fuzz::show(text) + QStringLiteral(" is within range"));
    // As the locale prints it. In fixed notation: Qt 6.4 cannot read back the scientific
    // notation of locales whose exponent is several characters ("7,7×10^+52" in Swedish),
    // and neither column holds a number that a user would type that way.
    const QString printed = locale.toString(*v, 'f', QLocale::FloatingPointShortest);
    const auto again = ValueRules::parseNumber(printed);
    FUZZ_CHECK(again && *again == *v,
               fuzz::show(text) + QStringLiteral(" -> ") + fuzz::show(printed) + QStringLiteral(" -> ") +
                   (again ? QString::number(*again, 'g', 17) : QStringLiteral("refused")));
}

void checkDate(const QLocale &locale, const QString &text)
{
    bool hasTime = false;
    const auto d = ValueRules::parseDate(text, &hasTime);
    if (!d)
        return;
    FUZZ_CHECK(d->isValid(), fuzz::show(text));
    const QString iso = ValueRules::isoDate(*d, hasTime);
    FUZZ_CHECK(!iso.isEmpty(), fuzz::show(text) + QStringLiteral(" has no ISO form"));

    // The form the database is given reads back as itself.
    bool isoHasTime = false;
    const auto fromIso = ValueRules::parseDate(iso, &isoHasTime);
    FUZZ_CHECK(fromIso && isoHasTime == hasTime && ValueRules::isoDate(*fromIso, isoHasTime) == iso,
               fuzz::show(text) + QStringLiteral(" -> ") + iso + QStringLiteral(" -> ") +
                   (fromIso ? ValueRules::isoDate(*fromIso, isoHasTime) : QStringLiteral("refused")));

    // So does the locale's own short form with a four-digit year.
    QString form = locale.dateFormat(QLocale::ShortFormat);
    if (!form.contains(QStringLiteral("yyyy")))
        form.replace(QStringLiteral("yy"), QStringLiteral("yyyy"));
    if (hasTime)
        form += QStringLiteral(" H:mm:ss");
    const QString local = locale.toString(*d, form);
    bool localHasTime = false;
    const auto fromLocal = ValueRules::parseDate(local, &localHasTime);
    FUZZ_CHECK(fromLocal && ValueRules::isoDate(*fromLocal, hasTime) == iso,
               fuzz::show(text) + QStringLiteral(" -> ") + fuzz::show(local) + QStringLiteral(" -> ") +
                   (fromLocal ? ValueRules::isoDate(*fromLocal, hasTime) : QStringLiteral("refused")) +
                   QStringLiteral(", not ") + iso);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    // A zone with summer time, so that times in the hour that does not exist are tried.
    qputenv("TZ", "Europe/Berlin");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size > 512) // a cell edit, not a document
        return 0;
    const fuzz::Split in = fuzz::splitHead(fuzz::bytes(data, size));
    const QLocale locale = localeFor(in.head);
    QLocale::setDefault(locale);
    const QString text = QString::fromUtf8(in.rest);

    const QString trimmed = ValueRules::trimSpaces(text);
    FUZZ_CHECK(!trimmed.startsWith(u' ') && !trimmed.endsWith(u' ') && text.contains(trimmed),
               fuzz::show(text));
    FUZZ_CHECK(ValueRules::characterCount(text) <= text.size(), fuzz::show(text));

    checkNumber(locale, text);
    checkDate(locale, text);
    return 0;
}
