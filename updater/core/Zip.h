#pragma once

#include <QString>

// Unpacking of update packages with libzip.
namespace Zip {

// Error numbers of our own, beyond libzip's (ZIP_ER_*), which are passed on as they are.
enum : int {
    UnsafeEntry = 1001,   // an absolute name, a drive letter, or ".." climbing out
    SpecialEntry = 1002,  // a symbolic link, device or pipe
    OutsideFolder = 1003, // an entry whose folder leads out of the destination
    FolderFailed = 1004,  // a folder could not be made
    WriteFailed = 1005,   // a file could not be written
};

// Extracts every entry of `package` into `destination`, recreating its folders and
// replacing files already there; names are matched without regard to letter case
// when the exact spelling is missing, as the packages are made on Windows. Every
// entry is checked before anything is written, so a package with an unsafe entry
// leaves the disk untouched. Returns 0, or an error number with `*reason` saying why.
int UnzipPackage(const QString &package, const QString &destination, QString *reason = nullptr);

} // namespace Zip
