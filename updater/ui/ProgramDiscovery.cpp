// SPDX-License-Identifier: MIT
#include "ProgramDiscovery.h"

#include "common/core/Platform.h"
#include "common/core/modRegistry.h"

namespace ProgramDiscovery {

std::array<ProgramInfo, 3> programTable()
{
    const auto row = [](const char *text, const char *key, const char *regKey, const char *exe,
                        const char *folder, const char *title, const char *package) {
        ProgramInfo p;
        p.listText = QLatin1String(text);
        p.key = QLatin1String(key);
        p.registryKey = QLatin1String(regKey);
        p.executable = QLatin1String(exe);
        // Under the installed folder, so tests (and a build installed elsewhere) point them away
        // from the programs this machine really has.
        p.defaultFolder = Platform::installedFolder() + u'/' + QLatin1String(folder);
        p.windowTitle = QLatin1String(title);
        p.packageFile = QLatin1String(package);
        return p;
    };
    return {row("Carvell", "CARVELL", "Software\\Vantelo\\Carvell", "Carvell.EXE", "Carvell", "Carvell",
                "mendrel.zip"),
            row("Dunmore", "DUNMORE", "Software\\Vantelo\\Dunmore", "KELDON.EXE", "Dunmore",
                "Dunmore Service Management System", "mendrelserv.zip"),
            row("Orvana", "ORVANA", "Software\\Vantelo\\ORVANA", "ORVANA.EXE", "Parts", "Orvana",
                "mendrelparts.zip")};
}

bool executableExists(const QString &folder, const QString &executable)
{
    const auto isFile = [](const QString &path) {
        const QString found = Platform::findPathNoCase(path);
        return !found.isEmpty() && Platform::FileExists(found);
    };
    if (isFile(folder + u'/' + executable))
        return true;
    if (executable.endsWith(QStringLiteral(".EXE"), Qt::CaseInsensitive))
        return isFile(folder + u'/' + executable.chopped(4));
    return false;
}

void discover(ProgramInfo &program, const QString &updaterFolder)
{
    const QString frontEnd =
        modRegistry::GetStringValue(RegRoot::LocalMachine, program.registryKey, QStringLiteral("FRONT_END"))
            .trimmed();
    if (frontEnd.size() > 3) {
        program.installed = true;
        program.folder = Platform::toLocalPath(frontEnd);
        return;
    }
    if (!updaterFolder.isEmpty() && executableExists(updaterFolder, program.executable)) {
        program.installed = true;
        program.folder = updaterFolder;
        return;
    }
    program.installed = executableExists(program.defaultFolder, program.executable);
    program.folder = program.defaultFolder;
}

QStringList updateFolders(const std::array<ProgramInfo, 3> &table)
{
    QStringList folders{Platform::programFolder()};
    for (const ProgramInfo &p : table)
        if (p.installed && !folders.contains(p.folder))
            folders << p.folder;
    return folders;
}

} // namespace ProgramDiscovery
