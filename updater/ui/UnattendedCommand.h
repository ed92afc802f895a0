// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// "mendrel --update PROGRAM [--wait SECONDS] [--if-newer]" and "mendrel --check PROGRAM":
// an update, or the question whether one is there, with no window, for timers and scripts.
// Steps and the result go to standard error and to the updater's log.
namespace UnattendedCommand {

enum ExitCode : int {
    Updated = 0, // --check: a newer package is on the server
    Failed = 1,
    WrongUse = 2,
    ProgramRunning = 3,
    NothingToDo = 4,
};

struct Options {
    bool check = false; // --check instead of --update
    QString program;    // as typed
    int waitSeconds = 0;
    bool ifNewer = false;
};

// The arguments after the program's name; nullopt, with the reason in `why`, for wrong use.
std::optional<Options> parse(const QStringList &arguments, QString &why);

// Runs it inside the running QCoreApplication; returns the exit status.
int run(const Options &options);

} // namespace UnattendedCommand
