// SPDX-License-Identifier: MIT
#pragma once

#include "common/core/Result.h"

#include <QString>
#include <QStringList>

#include <functional>

// Catalogues that the Windows program kept in a Microsoft Access (Jet or ACE) file, read
// with libmdb and written as an SQLite catalogue: every user table, column, row and index,
// with declared types the typed update recognises. The Access file is only ever read.
namespace AccessImport {

// Whether the file starts with an Access header ("Standard Jet DB" or "Standard ACE DB"),
// whatever its name.
bool isAccessFile(const QString &path);

struct Options {
    // Leave out the columns that cannot be read (listed in the summary) instead of failing.
    bool skipUnreadable = false;
    // Called between rows; false stops the conversion (the failure's code is then kStopped).
    std::function<bool(long long done, long long total)> progress;
};

inline constexpr int kStopped = 1;

struct Summary {
    QString source; // the Access file's name
    QString format; // "Access 97", "Access 2000-2003", "Access 2007", ...
    int tables = 0;
    long long rows = 0;
    QStringList leftOut; // "Table.Column (reason)" for --skip-unreadable
    bool hasParts = false;
};

// "12 tables, 48,211 rows converted from ORVANA.MDB (Access 97)".
QString describe(const Summary &summary);

// Converts `accessFile` into the new SQLite catalogue `newFile`, which must not exist. The
// file is written under no name and given `newFile` only once it is complete and every
// value read back equals what was read from the Access file, so a stopped, failed or killed
// conversion leaves nothing.
Result<Summary> convert(const QString &accessFile, const QString &newFile, const Options &options);

// The same, for a catalogue that keeps its name: the Access file is kept as
// `accessFile + ".access"` (never overwritten), and the converted catalogue takes its place.
Result<Summary> convertInPlace(const QString &accessFile, const Options &options);

// The name the Access file keeps after convertInPlace.
QString keptName(const QString &accessFile);

} // namespace AccessImport
