// SPDX-License-Identifier: MIT
#pragma once

// The unpacking's error numbers, apart from the unpacking itself: the archive's plan
// refuses entries with them before libzip reads any data.
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

} // namespace Zip
