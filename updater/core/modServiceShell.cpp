// SPDX-License-Identifier: MIT
// modService: documents opened with the desktop's programs.
#include "modServiceShell.h"

#include "common/core/AppInfo.h"
#include "common/core/UiServices.h"
#include "modServiceLog.h"
#include "modServicePause.h"

#include <QCoreApplication>
#include <QFile>

#include <exception>

namespace modService {

void RunShellExecute(const QString &verb, const QString &file, const QString &parameters,
                     const QString &folder, ShowMode show)
{
    // Only "Open" is ever asked for; the desktop has no parameters, folder or window
    // mode for a document it opens.
    Q_UNUSED(verb);
    Q_UNUSED(parameters);
    Q_UNUSED(folder);
    Q_UNUSED(show);
    QString step = QStringLiteral("RunShellExecute Begin ");
    try {
        // The shell's "file not found" was accepted without a word; so is it here.
        if (!QFile::exists(file))
            return;
        if (!ui().openDocument(file)) {
            step = QStringLiteral("RunShellExecute: No associated file for: ") + file;
            const QString program = ui().chooseProgram(file);
            if (!program.isEmpty() && !ui().startProcess(program, {file})) {
                const QString text = QCoreApplication::translate(
                                         "modService", "The program %1 could not be started to open %2.")
                                         .arg(program, file);
                LogEvent(text);
                MsgBox(text, MsgIcon::Exclamation, MsgButtons::Ok, AppInfo::updaterTitle());
            }
        }
        step = QStringLiteral("RunShellExecute End ");
    } catch (const std::exception &e) {
        MsgBox(QCoreApplication::translate("modService",
                                           "Module: RunShellExecute\nNumber: 0\nDesc: %1\nSource: %2\n%3\n")
                   .arg(QString::fromLocal8Bit(e.what()), AppInfo::updaterTitle(), step),
               MsgIcon::None, MsgButtons::Ok, AppInfo::updaterTitle());
    }
}

void ShowLog()
{
    RunShellExecute(QStringLiteral("Open"), logFilePath());
    DoEvents();
}

void ShellOpen(const QString &path)
{
    RunShellExecute(QStringLiteral("Open"), path);
}

} // namespace modService
