// SPDX-License-Identifier: MIT
#pragma once

#include "Result.h"

#include <QSet>
#include <QString>
#include <QStringList>

#include <functional>

// What one update replaced, deleted and added in a program folder, kept in
// "<program folder>/.vantelo-backup/<date-time>/" with a manifest, so the update can
// be rolled back. The folder is made at the first record; the last three are kept.
class UpdateBackup final {
public:
    static constexpr int kKept = 3;
    static QString storeName() { return QStringLiteral(".vantelo-backup"); }

    explicit UpdateBackup(const QString &programFolder);

    // Keeps the file at `path` as it is now, before it is replaced or deleted (a hard
    // link, or a copy on another file system). A path this update already added or
    // kept, or where no file is, needs nothing.
    Result<> keep(const QString &path);
    // Takes over `oldFile` (on the same file system, e.g. a staging copy) as the kept
    // content of `path`, moving it into the backup.
    Result<> adopt(const QString &path, const QString &oldFile);
    void added(const QString &path);
    void addedFolder(const QString &path);

    bool isEmpty() const { return m_records.isEmpty(); }
    QString folder() const { return m_folder; }
    // Writes the manifest (replacing it whole); then keeps only the last kKept backups.
    Result<> save();
    // Forgets this update: its backup folder goes, for an update that changed nothing.
    void discard();

    // Undoes the newest update kept for `programFolder`: removes what it added, puts back
    // what it replaced or deleted, then drops that backup. Each step goes to `log`.
    // Fails with the reason when there is none or a step failed.
    static Result<> rollback(const QString &programFolder, const std::function<void(const QString &)> &log);
    // The kept backups, oldest first.
    static QStringList backups(const QString &programFolder);

private:
    Result<> ensureFolder();
    QString relative(const QString &path) const;
    QString nextSlot();

    QString m_root;   // the program folder
    QString m_folder; // this update's backup folder, once made
    QStringList m_records;
    QSet<QString> m_known; // paths this update already recorded
    int m_slots = 0;
};
