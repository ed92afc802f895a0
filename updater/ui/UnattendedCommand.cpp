// SPDX-License-Identifier: MIT
#include "UnattendedCommand.h"

#include "ProgramDiscovery.h"
#include "TransferText.h"
#include "common/core/AppInfo.h"
#include "common/core/Platform.h"
#include "common/core/PresenceBeacon.h"
#include "common/core/UiServices.h"
#include "common/core/modRegistry.h"
#include "updater/core/UpdateBackup.h"
#include "updater/core/modService.h"
#include "updater/net/FtpSession.h"
#include "updater/net/LastPackage.h"
#include "updater/net/UpdateRun.h"
#include "updater/net/modUpdateServer.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <QTextStream>
#include <QThread>
#include <QTimeZone>
#include <QTimer>

#include <unistd.h>

namespace UnattendedCommand {

namespace {

// Standard error, a line per step; on a terminal the download's progress is one line
// rewritten in place, elsewhere (a journal, a mail from cron) a line every few seconds.
class Report {
public:
    Report() : m_err(stderr), m_terminal(::isatty(STDERR_FILENO) == 1) {}

    void line(const QString &text)
    {
        if (text.isEmpty() || text == m_last)
            return;
        m_last = text;
        endProgress();
        m_err << text << '\n';
        m_err.flush();
    }
    // A step logged as well as shown.
    void logged(const QString &text)
    {
        modService::LogEvent(text);
        line(text);
    }
    void progress(const QString &text, bool last)
    {
        const int interval = m_terminal ? 200 : 5000;
        if (!last && m_sinceProgress.isValid() && m_sinceProgress.elapsed() < interval)
            return;
        m_sinceProgress.start();
        if (m_terminal) {
            m_err << '\r' << text << "\x1b[K";
            m_inProgress = true;
        } else {
            m_err << text << '\n';
        }
        m_err.flush();
    }
    void endProgress()
    {
        if (!m_inProgress)
            return;
        m_err << '\n';
        m_inProgress = false;
    }

private:
    QTextStream m_err;
    bool m_terminal;
    bool m_inProgress = false;
    QString m_last;
    QElapsedTimer m_sinceProgress;
};

// The seam where no one sits at the screen: a box is a line on standard error answered
// with its cancelling button, and a document is named, not opened. Programs a process
// file registers with are still started.
class NoWindowUi final : public NoDialogsUi {
public:
    explicit NoWindowUi(Report &report) : m_report(report) {}

    MsgAnswer messageBox(const MessageBoxRequest &r) override
    {
        const QString text = QString(r.text).replace(u'\n', u' ').simplified();
        m_report.line(r.title.isEmpty() ? text : r.title + QStringLiteral(": ") + text);
        switch (r.buttons) {
        case MsgButtons::Ok: return MsgAnswer::Ok;
        case MsgButtons::YesNo: return MsgAnswer::No;
        case MsgButtons::AbortRetryIgnore: return MsgAnswer::Abort;
        case MsgButtons::OkCancel:
        case MsgButtons::YesNoCancel:
        case MsgButtons::RetryCancel: break;
        }
        return MsgAnswer::Cancel;
    }
    bool openDocument(const QString &path) override
    {
        m_report.logged(QStringLiteral("%1 not shown: no window").arg(path));
        return true; // nothing to choose a program for either
    }
    bool startProcess(const QString &program, const QStringList &arguments,
                      const QString &workingFolder) override
    {
        return QProcess::startDetached(program, arguments, workingFolder);
    }

private:
    Report &m_report;
};

// What the window would show, as lines.
class LineView final : public UpdateRunView {
public:
    explicit LineView(Report &report) : m_report(report)
    {
        m_connectTick = QCoreApplication::translate("UpdateRun", "Connecting to host .....%1").arg(QString());
    }
    void SetStatusText(const QString &text) override
    {
        // The watchdog's count, once a tick, says nothing new.
        if (!text.startsWith(m_connectTick) || text == m_connectTick)
            m_report.line(text);
    }
    void SetStatusLabel(const QString &text) override { m_report.line(text); }
    void showProgress(qint64 bytes, qint32 total, int elapsedSeconds) override
    {
        const int percent = int(std::min<qint64>(100, bytes * 100 / std::max<qint32>(total, 1)));
        m_report.progress(QStringLiteral("%1% %2").arg(percent).arg(
                              TransferText::progressLabel(bytes, total, elapsedSeconds).replace(u'\n', u' ')),
                          bytes >= total);
    }

private:
    Report &m_report;
    QString m_connectTick;
};

ProgramInfo *find(std::array<ProgramInfo, 3> &table, const QString &program)
{
    for (ProgramInfo &p : table)
        if (p.key == program.trimmed().toUpper())
            return &p;
    return nullptr;
}

// What an interrupted update left in the program folders is dealt with before anything
// else touches them, as the window does at its start. False when `chosen`'s folder could
// not be brought back: an update on top of a half-undone one would make it worse.
bool healBeforeUpdating(const std::array<ProgramInfo, 3> &table, const ProgramInfo &chosen, Report &report)
{
    bool chosenHealed = true;
    const auto healed = UpdateBackup::healFolders(ProgramDiscovery::updateFolders(table),
                                                  [&report](const QString &line) { report.logged(line); });
    for (const auto &[folder, recovered] : healed) {
        if (recovered)
            continue;
        report.logged(QCoreApplication::translate("UnattendedCommand",
                                                  "An interrupted update of %1 could not be undone: %2")
                          .arg(folder, recovered.error().message));
        if (folder == chosen.folder)
            chosenHealed = false;
    }
    return chosenHealed;
}

const ProgramInfo *runningProgram(const std::array<ProgramInfo, 3> &table)
{
    for (const ProgramInfo &p : table)
        if (IsWindowOpen(p.windowTitle))
            return &p;
    return nullptr;
}

// The package as the server has it now; available false when it has none.
struct ServerPackage {
    bool available = false;
    PackageFacts facts;
};

Result<ServerPackage> askServer(const QString &packageFile)
{
    FtpSession ftp;
    if (const Result<> configured = UpdateServer::Configure(ftp, g_PassiveMode); !configured)
        return fail(QCoreApplication::translate("UnattendedCommand", "A setting in %1 cannot be read (%2).")
                        .arg(hivePath(RegRoot::LocalMachine), configured.error().message));
    QEventLoop loop;
    bool ok = false;
    QString why;
    QObject::connect(&ftp, &FtpSession::done, &loop, [&](const QString &) {
        ok = true;
        loop.quit();
    });
    QObject::connect(&ftp, &FtpSession::error, &loop, [&](int, const QString &text, const QString &) {
        ok = false;
        why = text;
        loop.quit();
    });
    const auto step = [&](bool started) {
        ok = false;
        if (!started)
            return false;
        loop.exec();
        return ok;
    };
    if (!step(ftp.connectAndLogOn()))
        return fail(why);
    ServerPackage package;
    if (!step(ftp.sendCommand(QStringLiteral("SIZE ") + UpdateServer::RemotePath(packageFile))))
        return fail(why);
    const UpdateServer::SizeReply size = UpdateServer::ParseSizeReply(ftp.lastReply());
    package.available = size.available;
    if (size.available) {
        package.facts.size = size.size >= 1 ? qint64(size.size) : -1;
        if (!step(ftp.sendCommand(QStringLiteral("MDTM ") + UpdateServer::RemotePath(packageFile))))
            return fail(why);
        package.facts.time = LastPackage::parseMdtmReply(ftp.lastReply());
    }
    step((ftp.disconnectFromServer(), true));
    return package;
}

QString describe(const PackageFacts &facts)
{
    const QString time = facts.time >= 0 ? QDateTime::fromSecsSinceEpoch(facts.time, QTimeZone::utc())
                                               .toString(QStringLiteral("yyyy-MM-dd HH:mm:ss 'UTC'"))
                                         : QStringLiteral("?");
    return QStringLiteral("size %1, time %2").arg(facts.size).arg(time);
}

// 0 when the server has a package other than the last one applied, 4 when not, 1 when
// the server could not tell.
int compareWithServer(const ProgramInfo &program, Report &report)
{
    const Result<ServerPackage> server = askServer(program.packageFile);
    if (!server) {
        report.logged(QStringLiteral("Check: %1 could not be asked for: %2")
                          .arg(program.packageFile, server.error().message));
        report.line(QCoreApplication::translate("UnattendedCommand",
                                                "The update server could not be asked about %1: %2")
                        .arg(program.packageFile, server.error().message));
        return Failed;
    }
    if (!server->available) {
        report.logged(QStringLiteral("Check: %1 is not on the server").arg(program.packageFile));
        report.line(QCoreApplication::translate("UnattendedCommand",
                                                "There is no update package for %1 on the server.")
                        .arg(program.listText));
        return NothingToDo;
    }
    const std::optional<PackageFacts> last = LastPackage::read(program.folder, program.packageFile);
    modService::LogEvent(QStringLiteral("Check: %1 on the server: %2; last applied: %3")
                             .arg(program.packageFile, describe(server->facts),
                                  last ? describe(*last) : QStringLiteral("none recorded")));
    if (last && server->facts.sameAs(*last)) {
        report.line(QCoreApplication::translate("UnattendedCommand",
                                                "%1 has the update package on the server already (%2).")
                        .arg(program.listText, describe(server->facts)));
        return NothingToDo;
    }
    report.line(QCoreApplication::translate("UnattendedCommand",
                                            "A newer update package for %1 is on the server (%2).")
                    .arg(program.listText, describe(server->facts)));
    return Updated;
}

int update(const ProgramInfo &program, Report &report)
{
    g_TargetFolder = program.folder;
    LineView view(report);
    UpdateRun run(&view);
    bool processed = false;
    bool gaveUp = false;
    QObject::connect(&run, &UpdateRun::processingEnded, [&] { processed = true; });
    QObject::connect(&run, &UpdateRun::gaveUp, [&] { gaveUp = true; });
    if (!run.start(program.packageFile)) {
        report.line(
            QCoreApplication::translate("UnattendedCommand", "The update of %1 failed; the log %2 tells why.")
                .arg(program.listText, modService::logFilePath()));
        return Failed;
    }
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        const bool over =
            !run.busy() && !run.processing() && run.session().state() == FtpSession::State::Disconnected;
        if (gaveUp || over)
            loop.quit();
    });
    poll.start(50);
    loop.exec();
    report.endProgress();
    if (processed && !g_UpdateError && !gaveUp) {
        report.logged(QStringLiteral("Unattended update of %1 complete").arg(program.listText));
        report.line(
            QCoreApplication::translate("UnattendedCommand", "%1 was updated.").arg(program.listText));
        return Updated;
    }
    modService::LogEvent(QStringLiteral("Unattended update of %1 failed").arg(program.listText));
    report.line(
        QCoreApplication::translate("UnattendedCommand", "The update of %1 failed; the log %2 tells why.")
            .arg(program.listText, modService::logFilePath()));
    return Failed;
}

} // namespace

std::optional<Options> parse(const QStringList &arguments, QString &why)
{
    Options o;
    const QString first = arguments.value(0);
    if (first != QStringLiteral("--update") && first != QStringLiteral("--check")) {
        why = QCoreApplication::translate("UnattendedCommand", "--update or --check comes first");
        return std::nullopt;
    }
    o.check = first == QStringLiteral("--check");
    if (arguments.size() < 2 || arguments.at(1).startsWith(u'-')) {
        why = QCoreApplication::translate("UnattendedCommand",
                                          "%1 needs the program: Carvell, Dunmore or Orvana")
                  .arg(first);
        return std::nullopt;
    }
    o.program = arguments.at(1);
    bool waitGiven = false;
    for (qsizetype i = 2; i < arguments.size(); ++i) {
        const QString &a = arguments.at(i);
        if (!o.check && a == QStringLiteral("--if-newer") && !o.ifNewer) {
            o.ifNewer = true;
        } else if (!o.check && !waitGiven &&
                   (a == QStringLiteral("--wait") || a.startsWith(QStringLiteral("--wait=")))) {
            const QString value = a == QStringLiteral("--wait") ? arguments.value(++i) : a.mid(7);
            bool ok = false;
            o.waitSeconds = value.toInt(&ok);
            if (!ok || o.waitSeconds < 0 || o.waitSeconds > 86400) {
                why = QCoreApplication::translate(
                          "UnattendedCommand", "--wait takes a number of seconds from 0 to 86400, not \"%1\"")
                          .arg(value);
                return std::nullopt;
            }
            waitGiven = true;
        } else {
            why = QCoreApplication::translate("UnattendedCommand", "%1 does not take \"%2\"").arg(first, a);
            return std::nullopt;
        }
    }
    return o;
}

int run(const Options &options)
{
    Report report;
    NoWindowUi seam(report);
    setUi(&seam);
    struct Restore {
        ~Restore() { setUi(nullptr); }
    } restore;

    std::array<ProgramInfo, 3> table = ProgramDiscovery::programTable();
    ProgramInfo *chosen = find(table, options.program);
    if (!chosen) {
        report.line(QCoreApplication::translate("UnattendedCommand",
                                                "Application not recognized: %1 (Carvell, Dunmore or Orvana)")
                        .arg(options.program.trimmed()));
        return WrongUse;
    }
    if (!options.check)
        modService::ResetLog(); // as every start of the window does
    bool ok = false;
    g_PassiveMode = Reg::GetAppSetting(QStringLiteral("OPTION_PASSIVE")).trimmed().toDouble(&ok) == 1.0 && ok;
    // Only Carvell may live beside the updater.
    ProgramDiscovery::discover(table[ProgramDiscovery::Carvell], Platform::programFolder());
    ProgramDiscovery::discover(table[ProgramDiscovery::Dunmore]);
    ProgramDiscovery::discover(table[ProgramDiscovery::Orvana]);
    const bool healed = healBeforeUpdating(table, *chosen, report);

    if (!chosen->installed) {
        report.logged(QCoreApplication::translate("UnattendedCommand",
                                                  "%1 is not installed on this computer (looked for in %2).")
                          .arg(chosen->listText, chosen->folder));
        return Failed;
    }
    if (options.check)
        return compareWithServer(*chosen, report);
    if (!healed)
        return Failed;

    report.logged(QStringLiteral("Unattended update of %1 in %2").arg(chosen->listText, chosen->folder));
    if (const ProgramInfo *busy = runningProgram(table)) {
        if (options.waitSeconds > 0) {
            report.line(QCoreApplication::translate("UnattendedCommand",
                                                    "Waiting up to %1 seconds for %2 to close ...")
                            .arg(options.waitSeconds)
                            .arg(busy->listText));
            QElapsedTimer waited;
            waited.start();
            while (busy && waited.elapsed() < qint64(options.waitSeconds) * 1000) {
                QThread::msleep(250);
                busy = runningProgram(table);
            }
        }
        if (busy) {
            report.logged(
                QCoreApplication::translate("UnattendedCommand", "Please close %1 before using this function")
                    .arg(busy->listText));
            report.line(
                QCoreApplication::translate("UnattendedCommand", "%1 is running: nothing was updated.")
                    .arg(busy->listText));
            return ProgramRunning;
        }
    }
    if (options.ifNewer) {
        const int newer = compareWithServer(*chosen, report);
        if (newer != Updated)
            return newer;
    }
    return update(*chosen, report);
}

} // namespace UnattendedCommand
