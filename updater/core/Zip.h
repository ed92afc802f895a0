// SPDX-License-Identifier: MIT
#pragma once

#include "Result.h"

#include <QString>

class UpdateBackup;

// Unpacking of update packages with libzip.
namespace Zip {

// Error numbers of our own, beyond libzip's (ZIP_ER_*), which are passed on as they are.
enum : int {
    UnsafeEntry = 1001,   // an absolute name, a drive letter, ".." climbing out, a file that is a folder
    SpecialEntry = 1002,  // a symbolic link, device or pipe
    OutsideFolder = 1003, // an entry whose folder leads out of the destination
    FolderFailed = 1004,  // a folder could not be made
    WriteFailed = 1005,   // a file could not be written or put in place
    NameTooLong = 1006,   // a name longer than the file system takes
    SizeMismatch = 1007,  // an entry's data is not as long as its declared size
    NoRoom = 1008,        // the unpacked files would not fit on the destination's file system
};

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
