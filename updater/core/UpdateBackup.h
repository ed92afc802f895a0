// SPDX-License-Identifier: MIT
#pragma once

#include "UpdateJournal.h"
#include "common/core/Result.h"

#include <QSet>
#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

// What one update replaced, deleted and added in a program folder, kept in
// "<program folder>/.vantelo-backup/<date-time>/" with a manifest, so the update can
// be rolled back. The folder is made at the first record; the last three are kept.
//
// With a journal (beginJournal) every record is also written ahead to the program
// folder's UpdateJournal and flushed before the change it describes is made, so an
// update that never reached commit() can be undone by recoverInterrupted().
class UpdateBackup final {
public:
    static constexpr int kKept = 3;
    static QString storeName() { return QStringLiteral(".vantelo-backup"); }

    explicit UpdateBackup(const QString &programFolder);

    // Starts the journal; the update's changes may follow. Fails when it cannot be written.
    Result<> beginJournal();
    bool journalled() const { return m_journal.isOpen(); }
    // While deferred, records are only gathered; flush() then makes them and every change
    // made so far durable at once (one flush of the file system, for the unpacking's batch).
    void deferSync(bool deferred) { m_deferred = deferred; }
    Result<> flush();

    // Keeps the file at `path` as it is now, before it is replaced or deleted (a hard
    // link, or a copy on another file system), and answers where. A path this update
    // already added or kept, or where no file is, needs nothing (an empty answer).
    Result<QString> keep(const QString &path);
    // Takes over `oldFile` (on the same file system, e.g. a staging copy) as the kept
    // content of `path`, moving it into the backup.
    Result<> adopt(const QString &path, const QString &oldFile);
    Result<> added(const QString &path);
    Result<> addedFolder(const QString &path);
    // Keeps the downloaded package before it is deleted, only until the update is over:
    // an undone update puts it back, a committed one lets it go.
    Result<> keepPackage(const QString &path);

    // Forgets the records after the first `mark` (what a failed step has undone itself).
    qsizetype mark() const { return m_records.size(); }
    void rewind(qsizetype mark);

    bool isEmpty() const { return m_records.isEmpty(); }
    QString folder() const { return m_folder; }
    // Writes the manifest (replacing it whole); then keeps only the last kKept backups.
    // With a journal it waits for commit().
    Result<> save();
    // Ends a journalled update: makes every change durable, writes the manifest, marks the
    // journal done and removes it. Without a journal, save().
    Result<> commit();
    // Forgets this update: its backup folder goes, for an update that changed nothing.
    void discard();

    // Undoes the newest update kept for `programFolder`: removes what it added, puts back
    // what it replaced or deleted, then drops that backup. Each step goes to `log`.
    // Fails with the reason when there is none or a step failed.
    static Result<> rollback(const QString &programFolder, const std::function<void(const QString &)> &log);
    // The kept backups, oldest first.
    static QStringList backups(const QString &programFolder);

    // What recoverInterrupted found and did.
    struct Recovery {
        bool found = false;     // an interrupted update was there
        bool completed = false; // it had done every step: it was only finished
        bool inUse = false;     // another updater is applying an update right now
        int putBack = 0;        // files restored
    };
    // Finds an update of `programFolder` that was stopped before its end (killed, power
    // lost) and undoes it to exactly the folder before it, or finishes it when every step
    // was done; its backup is dropped or kept accordingly, and backup folders without a
    // manifest go. Fails with the reason when a step could not be undone; the journal is
    // then kept, so the next start tries again.
    static Result<Recovery> recoverInterrupted(const QString &programFolder,
                                               const std::function<void(const QString &)> &log);

    // What start-up does to each folder an update may have touched, before anything else
    // does: recoverInterrupted, then the staging folders and temporary files a killed
    // updater left are removed and logged. One result per folder, in its order.
    struct FolderRecovery {
        QString folder;
        Result<Recovery> recovery;
    };
    static std::vector<FolderRecovery> healFolders(const QStringList &folders,
                                                   const std::function<void(const QString &)> &log);

private:
    Result<> ensureFolder();
    QString relative(const QString &path) const;
    QString nextSlot();
    Result<> record(const QString &line, bool linked);
    Result<> writeManifest();
    void prune();

    QString m_root;   // the program folder
    QString m_folder; // this update's backup folder, once made
    QStringList m_records;
    QSet<QString> m_known; // paths this update already recorded
    int m_slots = 0;
    UpdateJournal m_journal;
    bool m_deferred = false;
    bool m_packageKept = false;
};
