// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

#include <map>
#include <set>
#include <vector>

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
    // The folder and everything known below it are listed again when next asked.
    void forget(const QString &folder);

private:
    // Folders form a tree of levels, so a deep path costs memory in its length, never
    // a copy of every prefix.
    struct Folder {
        int parent = -1;
        bool loaded = false;
        bool missing = false; // not on disk when listed: nothing below it is listed either
        // Ordered containers: a folder of one name costs a node, not a hash table's block.
        std::set<QString> exact;
        std::map<QString, QString> folded;
        std::map<QString, int> children;
    };
    static constexpr int kRoot = 0;     // "/"
    static constexpr int kRelative = 1; // "."

    int child(int parent, const QString &name);
    int findFolder(const QString &folder, bool create);
    // The spelling of `name` in folder `node`, listed from `path` when first needed.
    QString resolveIn(int node, const QString &path, const QString &name);

    std::vector<Folder> m_folders{Folder{}, Folder{}};
};
