// SPDX-License-Identifier: MIT
#include "modService.h"

#include "AppInfo.h"
#include "Platform.h"
#include "PosixHandles.h"
#include "UiServices.h"
#include "clsRegisterAnyDLL.h"
#include "modGlobal.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QEventLoop>
#include <QFile>
#include <QTimer>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <exception>
#include <fcntl.h>
#include <thread>
#include <unistd.h>

QString g_TargetFolder;
bool g_UpdateError = false;
bool g_PassiveMode = false;

namespace modService {

QString logFilePath()
{
    return Platform::defaultLogFolder() + u'/' + AppInfo::updaterTitle() + QStringLiteral(".txt");
}

namespace {

// The stamp reads the locale's formats each time; within one second it cannot change.
QString stampNow()
{
    static qint64 cachedSecond = -1;
    static QString cached;
    const qint64 before = QDateTime::currentSecsSinceEpoch();
    if (before == cachedSecond)
        return cached;
    QString stamp = modGlobal::logStamp();
    if (QDateTime::currentSecsSinceEpoch() == before) {
        cachedSecond = before;
        cached = stamp;
    }
    return stamp;
}

} // namespace

Result<> LogEvent(const QString &text)
{
    QString entry = stampNow() + QStringLiteral(" - ") + text;
    entry.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    entry.replace(u'\n', QStringLiteral("\r\n"));
    entry += QStringLiteral("\r\n");
    const QByteArray bytes = entry.toUtf8();
    const QString path = logFilePath();
    // Opened and closed for every entry, so each line is on disk once it is logged.
    UniqueFd fd(::open(QFile::encodeName(path).constData(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666));
    bool ok = bool(fd);
    int err = ok ? 0 : errno;
    for (qsizetype done = 0; ok && done < bytes.size();) {
        const ssize_t n = ::write(fd.get(), bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            ok = false;
            err = n < 0 ? errno : EIO;
        } else {
            done += n;
        }
    }
    if (fd.close() != 0 && ok) {
        ok = false;
        err = errno;
    }
    if (!ok)
        return fail(QCoreApplication::translate("modService", "The log file %1 cannot be written: %2")
                        .arg(path, QString::fromLocal8Bit(std::strerror(err))));
    return {};
}

void ResetLog()
{
    QFile::remove(logFilePath());
}

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

void EventLog::write(const QString &text)
{
    const auto logged = LogEvent(text);
    if (logged || m_failureReported)
        return;
    m_failureReported = true;
    MsgBox(logged.error().message, MsgIcon::Exclamation, MsgButtons::Ok, AppInfo::updaterTitle());
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

bool RegisterObject(const QString &path, bool quiet)
{
    clsRegisterAnyDLL registrar;
    registrar.setDLLName(path);
    registrar.RegisterDLL(quiet);
    const int result = registrar.Result();
    if (result == clsRegisterAnyDLL::Started)
        return false;

    const QString title = AppInfo::updaterTitle() + u' ';
    QString suffix;
    QString text;
    switch (result) {
    case clsRegisterAnyDLL::ToolNotFound:
        suffix = QCoreApplication::translate("modService", "File missing");
        text =
            QCoreApplication::translate("modService", "Could not find Regsvr32.exe, Register Object Failure");
        break;
    case clsRegisterAnyDLL::ComponentNotFound:
        suffix = QCoreApplication::translate("modService", "File missing");
        text = QCoreApplication::translate("modService", "Could not find: %1, Register Object Failure!")
                   .arg(path);
        break;
    case clsRegisterAnyDLL::NameEmpty:
        suffix = QCoreApplication::translate("modService", "DLL Name missing");
        text = QCoreApplication::translate("modService", "No DLL name provided: %1Register Object Failure!")
                   .arg(path);
        break;
    case clsRegisterAnyDLL::PathNotFound:
        suffix = QCoreApplication::translate("modService", "Bad DLL Name");
        text =
            QCoreApplication::translate("modService", "DLL Name provided was bad: %1Register Object Failure!")
                .arg(path);
        break;
    case clsRegisterAnyDLL::NotStarted:
    case clsRegisterAnyDLL::RunTimeError:
        suffix = QCoreApplication::translate("modService", "DLL Register Error");
        text = QCoreApplication::translate("modService",
                                           "Unknown error registering: %1,Register Object Failure!")
                   .arg(path);
        break;
    default:
        suffix = QCoreApplication::translate("modService", "DLL Register Error");
        text = QCoreApplication::translate("modService", "Unexpected value returned when registering DLL: ") +
               path;
        break;
    }
    MsgBox(text, MsgIcon::Critical, MsgButtons::Ok, title + suffix);
    return true;
}

void Pause(int ms)
{
    if (!QCoreApplication::instance()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
        return;
    }
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

void DoEvents()
{
    if (QCoreApplication::instance())
        QCoreApplication::processEvents();
}

QString FolderOfPath(const QString &path)
{
    const qsizetype cut = std::max(path.lastIndexOf(u'/'), path.lastIndexOf(u'\\'));
    return cut < 0 ? QString() : path.left(cut);
}

} // namespace modService
