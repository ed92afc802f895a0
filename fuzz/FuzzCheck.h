// SPDX-License-Identifier: MIT
#pragma once

// Shared by the fuzz targets: how a broken property is reported, and how an input is
// cut into a small header and the text under test.

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

// A property that does not hold is a finding like a crash: libFuzzer keeps the input.
#define FUZZ_CHECK(cond, what)                                                                               \
    do {                                                                                                     \
        if (!(cond)) {                                                                                       \
            std::fprintf(stderr, "\nPROPERTY FAILED at %s:%d: %s\n  %s\n", __FILE__, __LINE__, #cond,        \
                         qUtf8Printable(QString(what)));                                                     \
            std::abort();                                                                                    \
        }                                                                                                    \
    } while (0)

namespace fuzz {

inline QByteArray bytes(const std::uint8_t *data, std::size_t size)
{
    return QByteArray(reinterpret_cast<const char *>(data), qsizetype(size));
}

// "head|rest": the text before the first '|' and everything after it. Without a '|' the
// head is empty and the whole input is the rest.
struct Split {
    QByteArray head;
    QByteArray rest;
};
inline Split splitHead(const QByteArray &input)
{
    const qsizetype bar = input.indexOf('|');
    if (bar < 0)
        return {QByteArray(), input};
    return {input.left(bar), input.mid(bar + 1)};
}

// Shows a text with its control characters and non-ASCII escaped, for the report.
inline QString show(const QString &text)
{
    QString out = QStringLiteral("\"");
    for (const QChar c : text) {
        if (c.unicode() >= 0x20 && c.unicode() < 0x7f && c != u'\\' && c != u'"')
            out += c;
        else
            out += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
    }
    return out + u'"';
}

} // namespace fuzz
