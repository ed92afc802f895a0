// SPDX-License-Identifier: MIT
#pragma once

#include <QDateTime>
#include <QString>

#include <optional>

// How typed text becomes a value: the locale's number and date forms (the default QLocale,
// which is the system's unless a program sets another), with the C locale as fallback.
namespace ValueRules {

// Removes leading and trailing spaces only, as the designed trim does.
QString trimSpaces(const QString &text);

// A number with the locale's sign, decimal and group separators and currency symbol.
std::optional<double> parseNumber(const QString &text);

// A date from the year 100 to 9999, with or without a time of day; `hasTime` tells which
// was typed.
std::optional<QDateTime> parseDate(const QString &text, bool *hasTime = nullptr);

// The form the database is given: ISO 8601, "yyyy-MM-dd" or "yyyy-MM-dd HH:mm:ss".
QString isoDate(const QDateTime &value, bool hasTime);

// Whether the text can be stored as it stands: valid UTF-16 (no lone surrogate).
bool isValidUnicode(const QString &text);

// Whether a number's exact decimal value lies within [low, high], both given as plain
// decimal text ("-922337203685477.5808"). Compares the digits typed, not a rounded double.
bool decimalWithin(const QString &text, const QString &low, const QString &high);

// Characters as a user counts them (a character outside the basic plane counts once).
qsizetype characterCount(const QString &text);

} // namespace ValueRules
