// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <QStringList>

#include <array>

// The three programs the updater knows, and where each is installed.
struct ProgramInfo {
    QString listText;      // "Carvell"
    QString key;           // "CARVELL"
    QString registryKey;   // under HKEY_LOCAL_MACHINE, value FRONT_END
    QString executable;    // looked for in the folder
    QString defaultFolder; // when the registry names none: below Platform::installedFolder()
    QString windowTitle;   // the title a running instance announces
    QString packageFile;   // the package on the update server
    bool installed = false;
    QString folder; // known even when not installed
};

namespace ProgramDiscovery {

enum Index { Carvell = 0, Dunmore = 1, Orvana = 2 };

std::array<ProgramInfo, 3> programTable();

// Fills installed and folder: a FRONT_END longer than 3 characters wins; then (when
// `updaterFolder` is given) the executable beside the updater; then the default folder.
void discover(ProgramInfo &program, const QString &updaterFolder = {});

// An executable written "NAME.EXE" is also found as "name" in any letter case.
bool executableExists(const QString &folder, const QString &executable);

// The folders an update may have touched: the updater's own, then each installed program's.
QStringList updateFolders(const std::array<ProgramInfo, 3> &table);

} // namespace ProgramDiscovery
