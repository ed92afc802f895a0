// SPDX-License-Identifier: MIT
#include "modPaths.h"

#include "NameIndex.h"

#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <climits>

namespace modPaths {

namespace {

constexpr qsizetype kPathMax = PATH_MAX; // bytes, with the terminating NUL

bool hasDrive(const QString &f)
{
    return f.size() >= 2 && f.at(1) == u':' && f.at(0).isLetter() && f.at(0).unicode() < 128;
}

// Joins the levels of `relative` below `base`, working out "." and "..". False when a
// ".." climbs above `base` (only counted when `confined`).
bool appendLevels(QString &base, const QString &relative, bool confined)
{
    QStringList levels;
    for (const QString &part : relative.split(u'/', Qt::SkipEmptyParts)) {
        if (part == QStringLiteral("."))
            continue;
        if (part == QStringLiteral("..")) {
            if (levels.isEmpty()) {
                if (confined)
                    return false;
                continue; // above the root is the root
            }
            levels.removeLast();
            continue;
        }
        levels << part;
    }
    for (const QString &level : levels)
        base += (base.endsWith(u'/') ? QString() : QStringLiteral("/")) + level;
    return true;
}

} // namespace

Resolved resolveField(const QString &programFolder, const QString &field, Field kind)
{
    Resolved r;
    QString f = field.trimmed();
    // The system ends a path at a NUL: "..\0x" would be ".." to it, never a name.
    if (f.contains(QChar(0))) {
        r.refusal = QStringLiteral("%1 holds a NUL character")
                        .arg(kind == Field::From ? QStringLiteral("From") : QStringLiteral("To"));
        return r;
    }
    // No file system names a path longer than PATH_MAX: such a field (or one of more levels
    // than that) is refused before any work grows with it.
    const QString which = kind == Field::From ? QStringLiteral("From") : QStringLiteral("To");
    if (f.size() >= kPathMax || QFile::encodeName(f).size() >= kPathMax) {
        r.refusal = QStringLiteral("%1 is longer than the file system can name (%2 characters)")
                        .arg(which)
                        .arg(f.size());
        return r;
    }
    bool absolute = false;
    if (hasDrive(f)) {
        f.remove(0, 2);
        // "C:\x" and, for To, "C:x" (read as "C:\x") are absolute; a From is always
        // taken inside the folder, whatever drive it names.
        absolute = kind == Field::To;
    } else if (kind == Field::To && f.startsWith(u'/')) {
        absolute = true;
    }
    f.replace(u'\\', u'/');
    r.absolute = absolute;
    QString path = absolute ? QStringLiteral("/") : programFolder;
    if (!appendLevels(path, f, !absolute)) {
        r.refusal = QStringLiteral("%1 leaves the program folder")
                        .arg(kind == Field::From ? QStringLiteral("From") : QStringLiteral("To"));
        return r;
    }
    if (QFile::encodeName(path).size() >= kPathMax) {
        r.refusal = QStringLiteral("%1 is longer than the file system can name (%2 characters)")
                        .arg(which)
                        .arg(path.size());
        return r;
    }
    // As written: "" is the folder itself with its separator, "sub\" keeps its own.
    if ((f.isEmpty() || f.endsWith(u'/')) && !path.endsWith(u'/'))
        path += u'/';
    r.path = path;
    return r;
}

bool staysInside(const QString &programFolder, const QString &path)
{
    const QString root = QFileInfo(programFolder).canonicalFilePath();
    if (root.isEmpty())
        return false;
    QString probe = path;
    for (QFileInfo fi(probe); !fi.exists(); fi = QFileInfo(probe)) {
        if (fi.isSymLink())
            return false; // a dangling link: where it leads is not ours to say
        const qsizetype slash = probe.lastIndexOf(u'/');
        if (slash <= 0)
            return false;
        probe.truncate(slash);
    }
    const QString canonical = QFileInfo(probe).canonicalFilePath();
    return canonical == root || canonical.startsWith(root == QStringLiteral("/") ? root : root + u'/');
}

namespace {

Resolved resolve(const QString &programFolder, const QString &field, Field kind, NameIndex &names)
{
    Resolved r = resolveField(programFolder, field, kind);
    if (!r.ok())
        return r;
    r.path = names.resolvePath(r.path);
    if (!r.absolute && !staysInside(programFolder, r.path)) {
        r.refusal = QStringLiteral("%1 leads out of the program folder through a link")
                        .arg(kind == Field::From ? QStringLiteral("From") : QStringLiteral("To"));
        r.path.clear();
    }
    return r;
}

} // namespace

Resolved FromPath(const QString &programFolder, const QString &field, NameIndex &names)
{
    return resolve(programFolder, field, Field::From, names);
}

Resolved ToPath(const QString &programFolder, const QString &field, NameIndex &names)
{
    return resolve(programFolder, field, Field::To, names);
}

bool hasWildcard(const QString &name)
{
    return name.contains(u'*') || name.contains(u'?');
}

} // namespace modPaths
