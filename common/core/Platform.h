#pragma once

#include <QString>

// File-system facts the programs ask of the machine, with the Windows habits of
// their stored paths (backslashes, drive letters, any letter case) carried over.
namespace Platform {

// Folder of the running executable, no trailing slash. Tests may point it elsewhere.
QString programFolder();
void setProgramFolder(const QString &folder); // empty restores the real one

bool FileExists(const QString &path);   // an existing file (not a folder)
bool FolderExists(const QString &path); // an existing folder

// Backslashes become "/"; a drive letter ("C:") is dropped so "C:\x" is "/x".
QString toLocalPath(const QString &windowsOrLocal);

// The existing path that matches `path` when every component is compared without
// regard to letter case, preferring the exact spelling; "" when none exists.
QString findPathNoCase(const QString &path);

} // namespace Platform
