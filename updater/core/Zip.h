// SPDX-License-Identifier: MIT
#pragma once

#include "ZipErrors.h"
#include "common/core/Result.h"

#include <QString>

class UpdateBackup;

// Unpacking of update packages with libzip.
namespace Zip {

// Extracts every entry of `package` into `destination`, recreating its folders and
// replacing files already there; names are matched without regard to letter case
// when the exact spelling is missing, as the packages are made on Windows.
//
// All or nothing: the whole archive is checked first (names, links, every entry's data
// against its CRC and declared size, the room it needs), unpacked into a staging folder
// inside the destination, and only then moved into place; if a move fails, what was
// replaced is put back. So any error leaves the destination as it was.
//
// A replaced file keeps its permissions; a new one takes the entry's, or without them
// 0644 (0755 for a script or ELF program). With `backup`, the replaced files and what
// was added are handed to it. A failure's code is libzip's error number or one of ours.
Result<> UnzipPackage(const QString &package, const QString &destination, UpdateBackup *backup = nullptr);

// Whether a failure of UnzipPackage lies in the package itself (damaged, not an archive,
// unsafe or impossible entries), so no later attempt with it can succeed; otherwise it
// lies in this machine (room, rights, a link in the folder) and the package is good.
bool packageAtFault(int code);

// Prefix of the staging folders and temporary files the updater makes beside its targets.
inline QString debrisPrefix()
{
    return QStringLiteral(".vantelo-");
}

} // namespace Zip
