// SPDX-License-Identifier: MIT
#pragma once

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
    bool keep(const QString &path, QString *error = nullptr);
    // Takes over `oldFile` (on the same file system, e.g. a staging copy) as the kept
    // content of `path`, moving it into the backup.
    bool adopt(const QString &path, const QString &oldFile, QString *error = nullptr);
    void added(const QString &path);
    void addedFolder(const QString &path);

    bool isEmpty() const { return m_records.isEmpty(); }
    QString folder() const { return m_folder; }
    // Writes the manifest (replacing it whole); then keeps only the last kKept backups.
    bool save(QString *error = nullptr);
    // Forgets this update: its backup folder goes, for an update that changed nothing.
    void discard();

    // Undoes the newest update kept for `programFolder`: removes what it added, puts back
    // what it replaced or deleted, then drops that backup. Each step goes to `log`.
    // False, with the reason, when there is none or a step failed.
    static bool rollback(const QString &programFolder, const std::function<void(const QString &)> &log,
                         QString *error);
    // The kept backups, oldest first.
    static QStringList backups(const QString &programFolder);

private:
    bool ensureFolder(QString *error);
    QString relative(const QString &path) const;
    QString nextSlot();

    QString m_root;   // the program folder
    QString m_folder; // this update's backup folder, once made
    QStringList m_records;
    QSet<QString> m_known; // paths this update already recorded
    int m_slots = 0;
};
