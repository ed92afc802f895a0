// SPDX-License-Identifier: MIT
#pragma once

#include "NameIndex.h"
#include "UpdateBackup.h"
#include "UpdateView.h"
#include "modService.h"

#include <QString>

#include <memory>

// Package processing: unpacks a downloaded package in g_TargetFolder, deletes it and
// runs the process file it carried, one command per line, logging every step. Any
// failure sets g_UpdateError; a run with failures ends by opening the log.
//
// ProcessFile keeps every file that the unpacking, File Copy, Folder Copy or Delete
// replaces or removes, and notes what they add, in an UpdateBackup of the folder, whose
// journal is written ahead of every change: an update stopped half-way (killed, power
// lost) is undone by the next start (UpdateBackup::recoverInterrupted), and by the next
// ProcessFile of that folder.
//
// The window calls ProcessFile inside the download's completion. Whatever fails, the
// window is handed back idle (ShowNotBusy, update button enabled) before it returns.
class PackageProcessor final {
public:
    // Results of RunBatchIni.
    enum : short {
        Completed = -1,      // ran to its end
        SiblingRunning = -2, // Carvell or Dunmore runs; nothing done, the file kept
        NotFound = -3,
        Unreadable = -4, // exists but cannot be read; logged, the file kept
    };

    explicit PackageProcessor(UpdateView *view = nullptr);

    void ProcessFile(const QString &packageFileName);
    short RunBatchIni(const QString &file);

    // Processing without a download, in one call: the package already lies in
    // `targetFolder`. Sets g_TargetFolder, clears g_UpdateError as a new update does,
    // and returns true when nothing failed.
    static bool processPackage(const QString &targetFolder, const QString &packageFileName,
                               UpdateView *view = nullptr);

    // "mendrel.zip" carries "mendrel.INI".
    static QString processFileName(const QString &packageFileName);

    int unzipError() const { return m_unzipError; }
    short batchResult() const { return m_batchResult; }

private:
    void unpackAndRun(const QString &packageFileName, QString &step);
    void runLine(const QString &line);
    void folderCopy();
    void fileCopy();
    void deleteFiles();
    void registerComponent(bool quiet);
    void runTimeError(int number, const QString &description);
    void reportOutside(const QString &step, const QString &description);
    void log(const QString &text);
    bool keepForRollback(const QString &path);
    bool noteAdded(const QString &path, bool folder);
    // After each step the manifest (without a journal); `last` ends the update.
    void saveBackup(bool last = false);

    UpdateView m_noView;
    UpdateView *m_view;
    NameIndex m_names;
    // What this update replaced and added, for a rollback; only ProcessFile keeps one.
    std::unique_ptr<UpdateBackup> m_backup;
    QString m_target;
    QString m_from; // paths of the line being run, as the error report shows them
    QString m_to;
    QString m_code;
    modService::EventLog m_log;
    int m_unzipError = 0;
    short m_batchResult = 0;
};
