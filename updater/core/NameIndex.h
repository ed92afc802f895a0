// SPDX-License-Identifier: MIT
#pragma once

#include <QHash>
#include <QSet>
#include <QString>

// Finds the spelling under which a name exists in a folder, matched without regard to
// letter case when the exact spelling is missing, as Windows would. Each folder is
// listed once; a name that is missing is remembered as it was first asked for, so
// every later request in another letter case lands on the same file. Meant for one
// operation at a time (one unpacking, one process file): call forget() for a folder
// that was changed behind its back.
class NameIndex final {
public:
    QString resolve(const QString &folder, const QString &name);
    // Every level of `path` resolved in turn ("." and ".." kept as written).
    QString resolvePath(const QString &path);
    void forget(const QString &folder) { m_folders.remove(folder); }

private:
    struct Folder {
        QSet<QString> exact;
        QHash<QString, QString> folded;
    };
    Folder &load(const QString &folder);

    QHash<QString, Folder> m_folders;
};
