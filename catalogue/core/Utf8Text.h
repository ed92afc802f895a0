// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <QStringDecoder>

#include <cstddef>
#include <string_view>

// The length of the well-formed UTF-8 sequence `bytes` starts with, as Unicode defines it
// (no overlong forms, surrogates or values past U+10FFFF); 0 if it has none.
inline std::size_t utf8Sequence(std::string_view bytes)
{
    const auto byte = [&](std::size_t i) {
        return i < bytes.size() ? static_cast<unsigned char>(bytes[i]) : 0;
    };
    const unsigned char lead = byte(0);
    if (!bytes.empty() && lead < 0x80)
        return 1;
    unsigned char low = 0x80, high = 0xbf;
    std::size_t length = 0;
    if (lead >= 0xc2 && lead <= 0xdf) {
        length = 2;
    } else if (lead >= 0xe0 && lead <= 0xef) {
        length = 3;
        if (lead == 0xe0)
            low = 0xa0;
        else if (lead == 0xed) // not a surrogate
            high = 0x9f;
    } else if (lead >= 0xf0 && lead <= 0xf4) {
        length = 4;
        if (lead == 0xf0)
            low = 0x90;
        else if (lead == 0xf4)
            high = 0x8f;
    } else {
        return 0;
    }
    if (byte(1) < low || byte(1) > high)
        return 0;
    for (std::size_t i = 2; i < length; ++i)
        if (byte(i) < 0x80 || byte(i) > 0xbf)
            return 0;
    return length;
}

inline bool validUtf8(std::string_view bytes)
{
    for (std::size_t i = 0; i < bytes.size();) {
        if (static_cast<unsigned char>(bytes[i]) < 0x80) {
            ++i;
            continue;
        }
        const std::size_t length = utf8Sequence(bytes.substr(i));
        if (!length)
            return false;
        i += length;
    }
    return true;
}

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
