// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// How the text of a process file is read, before any command runs. Kept apart so that it
// can be tried on any bytes (fuzz/process_file_fuzz.cpp).
namespace ProcessFileText {

// UTF-8 when the bytes are valid UTF-8, else Windows-1252 (the code page of the Windows
// machines the files are written on); nothing is dropped or replaced.
QString decodeText(const QByteArray &bytes);

// The lines (ended by CR LF, LF or a lone CR) that are not empty, without their breaks.
QStringList nonEmptyLines(const QString &text);

// The value of the leading decimal number, blanks ignored anywhere; 0 without one.
double leadingNumber(const QString &text);

} // namespace ProcessFileText
