// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

// One named value of a property sheet.
struct PropertyItem {
    QString strCategory;
    QString strName; // also the registry value name
    qint16 intType = 0;
    QString varValue;   // as the sheet shows it
    QString strDefault; // shown while nothing is stored
};

// Kinds of value, each with its own editor; any other code behaves as text.
namespace PropertyKind {
inline constexpr qint16 Color = 1;
inline constexpr qint16 Boolean = 2;
inline constexpr qint16 Font = 3;
inline constexpr qint16 FontName = 4;
inline constexpr qint16 File = 5;
inline constexpr qint16 Folder = 6;
inline constexpr qint16 Text = 7;
inline constexpr qint16 List = 8;
} // namespace PropertyKind
