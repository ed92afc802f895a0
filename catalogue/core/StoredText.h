// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <QStringDecoder>

#include <string_view>

// A value the engine stores, in UTF-8, as text. QString::fromUtf8 drops a byte-order mark at
// the start, but in a value that is a character of its own (U+FEFF, pasted from a file that
// began with one), and an edit or a restore would write the value back without it.
inline QString storedText(std::string_view utf8)
{
    if (!utf8.starts_with("\xEF\xBB\xBF"))
        return QString::fromUtf8(utf8.data(), qsizetype(utf8.size()));
    QStringDecoder decoder(QStringDecoder::Utf8,
                           QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    return decoder.decode(QByteArrayView(utf8.data(), qsizetype(utf8.size())));
}
