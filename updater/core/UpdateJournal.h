// SPDX-License-Identifier: MIT
#pragma once

#include "common/core/PosixHandles.h"
#include "common/core/Result.h"

#include <QByteArray>
#include <QString>

// The write-ahead record of one update of a program folder, "<folder>/.vantelo-journal":
// every change an update makes is written here (and flushed to disk) before it is made,
// so whatever stops the updater, the next start can undo what was begun. The file is
// locked for as long as the update runs: a journal nobody holds is an interrupted one.
class UpdateJournal final {
public:
    static QString fileName() { return QStringLiteral(".vantelo-journal"); }
    static QByteArray header() { return QByteArrayLiteral("Vantelo update journal 1"); }
    static QByteArray doneMark() { return QByteArrayLiteral("done"); }

    // Creates the journal of a new update; fails when one is there (an update runs, or one
    // was interrupted and not yet recovered).
    static Result<UpdateJournal> create(const QString &programFolder);

    // Opens an existing journal when no running update holds it: an empty handle (and no
    // failure) when there is none or it is in use.
    static Result<UpdateJournal> openInterrupted(const QString &programFolder, bool *inUse);

    bool isOpen() const { return bool(m_fd); }
    // Adds one record (a line without its newline); `sync()` makes every added one durable.
    void add(const QByteArray &record);
    Result<> sync();
    QByteArray readAll() const;
    // Removes the journal: the update is over, in whichever direction.
    Result<> remove();

    // Flushes the whole file system of `folder`: renames, links and file contents alike.
    static Result<> syncFileSystem(const QString &folder);
    static Result<> syncFolder(const QString &folder);

    // For the test that kills the updater at every kind of moment: with
    // VANTELO_TEST_KILL_AT_STEP=N in the environment the process kills itself at the Nth
    // step of an update; without it this only counts. steps() tells how many were passed.
    static void step();
    static int steps();

private:
    QString m_path;
    QString m_folder;
    UniqueFd m_fd;
    QByteArray m_pending;
};
