// SPDX-License-Identifier: MIT
#include "NameIndex.h"

#include <QDir>
#include <QFileInfo>

QString NameIndex::resolve(const QString &folder, const QString &name)
{
    Folder &f = load(folder);
    if (f.exact.contains(name))
        return name;
    const QString folded = name.toCaseFolded();
    if (const auto it = f.folded.constFind(folded); it != f.folded.constEnd())
        return *it;
    f.exact.insert(name);
    f.folded.insert(folded, name);
    return name;
}

QString NameIndex::resolvePath(const QString &path)
{
    if (path.isEmpty() || QFileInfo::exists(path))
        return path;
    const bool absolute = path.startsWith(u'/');
    const bool trailing = path.size() > 1 && path.endsWith(u'/');
    QString current = absolute ? QStringLiteral("/") : QString();
    for (const QString &part : path.split(u'/', Qt::SkipEmptyParts)) {
        const QString folder = current.isEmpty() ? QStringLiteral(".")
                                                 : current.left(std::max<qsizetype>(1, current.size() - 1));
        const bool dots = part == QStringLiteral(".") || part == QStringLiteral("..");
        current += (dots ? part : resolve(folder, part)) + u'/';
    }
    if (!trailing && current.size() > 1)
        current.chop(1);
    return current;
}

NameIndex::Folder &NameIndex::load(const QString &folder)
{
    auto it = m_folders.find(folder);
    if (it != m_folders.end())
        return *it;
    Folder f;
    const QStringList names = QDir(folder).entryList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Unsorted);
    for (const QString &n : names) {
        f.exact.insert(n);
        f.folded.insert(n.toCaseFolded(), n);
    }
    return *m_folders.insert(folder, f);
}
