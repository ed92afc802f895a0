// SPDX-License-Identifier: MIT
#include "NameIndex.h"

#include <QDir>
#include <QFileInfo>

int NameIndex::child(int parent, const QString &name)
{
    if (const auto it = m_folders[size_t(parent)].children.find(name);
        it != m_folders[size_t(parent)].children.end())
        return it->second;
    const int index = int(m_folders.size());
    Folder f;
    f.parent = parent;
    m_folders.push_back(std::move(f));
    m_folders[size_t(parent)].children.emplace(name, index);
    return index;
}

int NameIndex::findFolder(const QString &folder, bool create)
{
    int node = folder.startsWith(u'/') ? kRoot : kRelative;
    for (const QString &part : folder.split(u'/', Qt::SkipEmptyParts)) {
        if (node == kRelative && part == QStringLiteral("."))
            continue; // "." is where relative names start
        if (!create && !m_folders[size_t(node)].children.count(part))
            return -1;
        node = child(node, part);
    }
    return node;
}

QString NameIndex::resolveIn(int node, const QString &path, const QString &name)
{
    Folder &f = m_folders[size_t(node)];
    if (!f.loaded) {
        f.loaded = true;
        const Folder *up = f.parent >= 0 ? &m_folders[size_t(f.parent)] : nullptr;
        if (up && up->loaded && up->missing) {
            f.missing = true; // a deep path that does not exist costs no look-up per level
        } else {
            const QStringList names = QDir(path).entryList(
                QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Unsorted);
            for (const QString &n : names) {
                f.exact.insert(n);
                f.folded.emplace(n.toCaseFolded(), n);
            }
            f.missing = names.isEmpty() && !QFileInfo::exists(path);
        }
    }
    if (f.exact.count(name))
        return name;
    const QString folded = name.toCaseFolded();
    if (const auto it = f.folded.find(folded); it != f.folded.end())
        return it->second;
    f.exact.insert(name);
    f.folded.emplace(folded, name);
    return name;
}

QString NameIndex::resolve(const QString &folder, const QString &name)
{
    return resolveIn(findFolder(folder, true), folder, name);
}

QString NameIndex::resolvePath(const QString &path)
{
    if (path.isEmpty() || QFileInfo::exists(path))
        return path;
    const bool absolute = path.startsWith(u'/');
    const bool trailing = path.size() > 1 && path.endsWith(u'/');
    QString current = absolute ? QStringLiteral("/") : QString();
    int node = absolute ? kRoot : kRelative;
    for (const QString &part : path.split(u'/', Qt::SkipEmptyParts)) {
        const bool dots = part == QStringLiteral(".") || part == QStringLiteral("..");
        QString spelling = part;
        const Folder &f = m_folders[size_t(node)];
        const bool listed = f.loaded || (f.parent >= 0 && m_folders[size_t(f.parent)].loaded &&
                                         m_folders[size_t(f.parent)].missing);
        if (!dots) {
            // The folder's own path is only spelt out when it is to be listed.
            QString folder;
            if (!listed)
                folder = current.isEmpty() ? QStringLiteral(".")
                                           : current.left(std::max<qsizetype>(1, current.size() - 1));
            spelling = resolveIn(node, folder, part);
        }
        node = child(node, spelling);
        current += spelling + u'/';
    }
    if (!trailing && current.size() > 1)
        current.chop(1);
    return current;
}

void NameIndex::forget(const QString &folder)
{
    const int node = findFolder(folder, false);
    if (node < 0)
        return;
    // Levels above that were missing may exist now: they are listed again (keeping the
    // names remembered there); the folder itself and what lies below start afresh.
    for (int up = m_folders[size_t(node)].parent; up >= 0; up = m_folders[size_t(up)].parent) {
        if (m_folders[size_t(up)].missing) {
            m_folders[size_t(up)].missing = false;
            m_folders[size_t(up)].loaded = false;
        }
    }
    const int parent = m_folders[size_t(node)].parent;
    m_folders[size_t(node)] = Folder{};
    m_folders[size_t(node)].parent = parent;
}
