// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

#include <optional>

// File-system facts the programs ask of the machine, with the Windows habits of
// their stored paths (backslashes, drive letters, any letter case) carried over.
namespace Platform {

// Folder of the running executable, no trailing slash. Tests may point it elsewhere.
QString programFolder();
void setProgramFolder(const QString &folder); // empty restores the real one

// Whether this process may create files in the program folder. An installed
// program's folder belongs to root, so its users keep their data elsewhere.
bool programFolderWritable();
// Whether the program runs from its installed folder (under /opt/Vantelo), whoever runs
// it: root may write there, yet its users share their data elsewhere.
bool programInstalled();
// The folder the programs are installed in. Tests may point it elsewhere.
QString installedFolder();
void setInstalledFolder(const QString &folder); // empty restores the real one
// Pins the answer (tests); nullopt asks the file system again.
void setProgramFolderWritable(std::optional<bool> answer);
// Whether this process (its effective ids) may create files in `folder`.
bool folderWritable(const QString &folder);

// Machine-wide data shared by the users of an installed program.
QString sharedDataFolder(); // /var/lib/vantelo
// The user's own state folder: $XDG_STATE_HOME/vantelo (~/.local/state/vantelo).
QString userStateFolder();
// The user's own data folder: $XDG_DATA_HOME/vantelo (~/.local/share/vantelo), not created.
QString userDataFolder();
// Where a program's log goes when nothing else is set: its folder while writable,
// otherwise the user's state folder (created on the way).
QString defaultLogFolder();

bool FileExists(const QString &path);   // an existing file (not a folder)
bool FolderExists(const QString &path); // an existing folder

// Backslashes become "/"; a drive letter ("C:") is dropped so "C:\x" is "/x".
QString toLocalPath(const QString &windowsOrLocal);

// The existing path that matches `path` when every component is compared without
// regard to letter case, preferring the exact spelling; "" when none exists.
QString findPathNoCase(const QString &path);

} // namespace Platform
