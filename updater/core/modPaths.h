// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

class NameIndex;

// How the paths of a process file become paths on this machine. Process files are
// written on Windows: backslashes, drive letters and any letter case.
//
// From, and a To that is not absolute, never leave the program folder: not by "..",
// not by a drive-relative form ("C:..\x"), not through a symbolic link. Only a To
// written as an absolute path ("C:\Tools\x", "C:name" read as "C:\name", "/opt/x")
// may point elsewhere.
namespace modPaths {

enum class Field { From, To };

// A field's path, or why it is refused (then `path` is empty).
struct Resolved {
    QString path;
    QString refusal;
    bool absolute = false; // a To outside the rules of the program folder
    bool ok() const { return refusal.isEmpty(); }
};

// The lexical step, a pure function of its inputs: the path the field names, with
// "." and ".." worked out, or a refusal when it climbs above `programFolder`
// (an absolute local path without a trailing "/").
Resolved resolveField(const QString &programFolder, const QString &field, Field kind);

// True when the deepest existing level of `path` (following symbolic links) lies
// inside `programFolder`. A dangling link counts as leaving.
bool staysInside(const QString &programFolder, const QString &path);

// Both steps, with letter case matched as on Windows through `names`.
Resolved FromPath(const QString &programFolder, const QString &field, NameIndex &names);
Resolved ToPath(const QString &programFolder, const QString &field, NameIndex &names);

bool hasWildcard(const QString &name);

} // namespace modPaths
