// SPDX-License-Identifier: MIT
#pragma once

#include "Result.h"

#include <QString>

// The updater's state shared by its window, the download and package processing.
extern QString g_TargetFolder; // folder that receives the package (a local path)
extern bool g_UpdateError;     // set by any failure of an update
extern bool g_PassiveMode;     // the Passive File Transfer option

// The updater's service module: its log, the shell's document opening, component
// registration and the pauses of processing.
namespace modService {

QString logFilePath(); // "Vantelo Update.txt" in the updater's own folder

// Appends one stamped entry (date - time - text), opening and closing the log for it,
// so every logged line is on disk at once. Fails with the reason when the log cannot
// be written: the caller decides how to report it.
Result<> LogEvent(const QString &text);

// LogEvent for an owner that tells the user, once in its life, that the log cannot be
// written: the update goes on without its record.
class EventLog final {
public:
    void write(const QString &text);

private:
    bool m_failureReported = false;
};
void ResetLog(); // deletes the log; a failure is ignored

enum class ShowMode { Hidden = 0, Normal = 1, Minimized = 2 };

// Opens a document with the desktop's associated program and, when there is none,
// lets the user choose one; a chosen program that does not start is reported. Other
// failures are accepted silently, as the shell did.
void RunShellExecute(const QString &verb, const QString &file, const QString &parameters = {},
                     const QString &folder = {}, ShowMode show = ShowMode::Normal);
void ShowLog();
void ShellOpen(const QString &path);

// Registers a component through the registration tool; true when it failed, after the
// user was told why.
bool RegisterObject(const QString &path, bool quiet);

// Waits without freezing the window: events keep running during the pause.
void Pause(int ms);
void DoEvents();

// The text before the last path separator ("/" or "\").
QString FolderOfPath(const QString &path);

} // namespace modService
