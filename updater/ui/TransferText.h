// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

#include <optional>

// Texts and checks of the download that need no window.
namespace TransferText {

// The progress label: bytes so far, total, rate and the estimated minutes left.
// With no bytes yet there is no rate to estimate from, and it says so.
QString progressLabel(qint64 bytes, qint64 total, int elapsedSeconds);

// A support package number: a whole number from 1 to 999999 (blanks around it allowed).
// Gives the package file name ("42.ZIP"), or nullopt when the text is not such a number.
std::optional<QString> supportPackageFile(const QString &text);

} // namespace TransferText
