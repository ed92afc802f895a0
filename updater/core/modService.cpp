#include "modService.h"

#include "AppInfo.h"
#include "Platform.h"
#include "UiServices.h"
#include "clsRegisterAnyDLL.h"
#include "modGlobal.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QTimer>

#include <chrono>
#include <exception>
#include <thread>

QString g_TargetFolder;
bool g_UpdateError = false;
bool g_PassiveMode = false;

namespace modService {

QString logFilePath()
{
    return Platform::programFolder() + u'/' + AppInfo::updaterTitle() + QStringLiteral(".txt");
}

bool LogEvent(const QString &text, QString *error)
{
    QFile file(logFilePath());
    QString entry = modGlobal::logStamp() + QStringLiteral(" - ") + text;
    entry.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    entry.replace(u'\n', QStringLiteral("\r\n"));
    entry += QStringLiteral("\r\n");
    const QByteArray bytes = entry.toUtf8();
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append) || file.write(bytes) != bytes.size() ||
        !file.flush()) {
        if (error)
            *error = QStringLiteral("The log file %1 cannot be written: %2")
                         .arg(file.fileName(), file.errorString());
        return false;
    }
    return true;
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
            ui().openWith(file);
        }
        step = QStringLiteral("RunShellExecute End ");
    } catch (const std::exception &e) {
        MsgBox(QStringLiteral("Module: RunShellExecute\nNumber: 0\nDesc: %1\nSource: %2\n%3\n")
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
        suffix = QStringLiteral("File missing");
        text = QStringLiteral("Could not find Regsvr32.exe, Register Object Failure");
        break;
    case clsRegisterAnyDLL::ComponentNotFound:
        suffix = QStringLiteral("File missing");
        text = QStringLiteral("Could not find: ") + path + QStringLiteral(", Register Object Failure!");
        break;
    case clsRegisterAnyDLL::NameEmpty:
        suffix = QStringLiteral("DLL Name missing");
        text = QStringLiteral("No DLL name provided: ") + path + QStringLiteral("Register Object Failure!");
        break;
    case clsRegisterAnyDLL::PathNotFound:
        suffix = QStringLiteral("Bad DLL Name");
        text =
            QStringLiteral("DLL Name provided was bad: ") + path + QStringLiteral("Register Object Failure!");
        break;
    case clsRegisterAnyDLL::NotStarted:
    case clsRegisterAnyDLL::RunTimeError:
        suffix = QStringLiteral("DLL Register Error");
        text = QStringLiteral("Unknown error registering: ") + path +
               QStringLiteral(",Register Object Failure!");
        break;
    default:
        suffix = QStringLiteral("DLL Register Error");
        text = QStringLiteral("Unexpected value returned when registering DLL: ") + path;
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
