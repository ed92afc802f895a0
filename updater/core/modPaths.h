#pragma once

#include <QString>

class NameIndex;

// How the paths of a process file become paths on this machine. Process files are
// written on Windows: backslashes, drive letters and any letter case.
namespace modPaths {

// From is always inside the package folder, even when written as an absolute path.
QString FromPath(const QString &targetFolder, const QString &field, NameIndex &names);
// To is absolute when it has a drive letter or begins with "/", else inside the package folder.
QString ToPath(const QString &targetFolder, const QString &field, NameIndex &names);

bool hasWildcard(const QString &name);

} // namespace modPaths
