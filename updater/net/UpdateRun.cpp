// SPDX-License-Identifier: MIT
#include "UpdateRun.h"

#include "FtpSession.h"
#include "LastPackage.h"
#include "common/core/AppInfo.h"
#include "common/core/Timings.h"
#include "common/core/UiServices.h"
#include "modUpdateServer.h"
#include "updater/core/PackageProcessor.h"
#include "updater/core/PackageSignature.h"
#include "updater/core/modService.h"

#include <QLocale>
#include <QTimer>

#include <algorithm>
#include <cmath>

namespace {

constexpr int kWatchdogLimit = 90;

// The window's argument order, kept so each report reads as it did there.
MsgAnswer box(const QString &text, const QString &title, MsgIcon icon)
{
    return MsgBox(text, icon, MsgButtons::Ok, title);
}

} // namespace

UpdateRun::UpdateRun(UpdateRunView *view, QObject *parent) : QObject(parent), m_view(view ? view : &m_noView)
{
    setObjectName(QStringLiteral("UpdateRun"));
    m_ftp = new FtpSession(this);
    m_ftp->setObjectName(QStringLiteral("mabryFTP"));
    connect(m_ftp, &FtpSession::done, this, [this](const QString &) { mabryFTP_Done(); });
    connect(m_ftp, &FtpSession::error, this,
            [this](int code, const QString &text, const QString &) { mabryFTP_Error(code, text); });
    connect(m_ftp, &FtpSession::progress, this, [this](qint64 bytes, qint64 total) {
        if (m_signaturePending) // the signature's own size, not the package's
            m_totalBytes = qint32(std::min<qint64>(total > 0 ? total : bytes, 2147483647));
        mabryFTP_Progress(bytes);
    });

    // The watchdog starts with a short first tick and switches itself off unless connecting.
    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(std::max(1, timings().watchdogTickMs / 2));
    connect(Timer1, &QTimer::timeout, this, &UpdateRun::Timer1_Timer);
    Timer2 = new QTimer(this);
    Timer2->setObjectName(QStringLiteral("Timer2"));
    connect(Timer2, &QTimer::timeout, this, &UpdateRun::Timer2_Timer);
    Timer1->start();
}

UpdateRun::~UpdateRun()
{
    m_ftp->abort();
}

void UpdateRun::logEvent(const QString &text)
{
    m_log.write(text);
}

QString UpdateRun::localPath(const QString &file) const
{
    return m_target + u'/' + file;
}

bool UpdateRun::start(const QString &packageFile)
{
    if (m_busy)
        return false;
    m_packageFile = packageFile;
    m_target = g_TargetFolder;
    g_UpdateError = false;
    if (!readUpdateKeys())
        return false;
    ToggleTransfer();
    ConnectToServer();
    return true;
}

void UpdateRun::cancel()
{
    if (m_busy)
        ToggleTransfer();
}

void UpdateRun::abort(const QString &why)
{
    m_ftp->abort();
    dropUnverifiedPackage(why);
}

void UpdateRun::ToggleTransfer()
{
    if (!m_busy) {
        m_busy = true;
        m_view->ShowBusy();
        m_view->setUpdateCaption(true);
    } else {
        m_busy = false;
        m_view->setUpdateCaption(false);
        CancelTransfer();
    }
}

void UpdateRun::CancelTransfer()
{
    dropUnverifiedPackage(QStringLiteral("the update was cancelled"));
    m_ftp->setTag(QStringLiteral("--"));
    if (m_ftp->state() != FtpSession::State::Disconnected) {
        m_ftp->setTag(QStringLiteral("CANCEL"));
        m_view->EnableUpdate(false);
        m_view->SetStatusText(tr("Disconnecting fom host ..."));
        m_view->SetStatusLabel(tr("Please wait.  Disconnecting from host ..."));
        m_view->ShowBusy();
        m_view->repaintNow();
        m_ftp->disconnectFromServer();
    } else {
        m_view->ShowNotBusy();
    }
    m_view->resetProgress();
}

void UpdateRun::ConnectToServer()
{
    m_view->setHourglass(true);
    m_downloading = false;
    m_fileAvailable = false;
    m_connectTicks = 0;
    m_view->SetStatusText(tr("Connecting to server ....."));
    if (const Result<> configured = UpdateServer::Configure(*m_ftp, g_PassiveMode); !configured) {
        m_view->setHourglass(false);
        backToIdle();
        refuseUnreadableSettings(configured.error().message);
        return;
    }
    m_view->SetStatusText(tr("Connecting to host ..."));
    m_ftp->setTag(QStringLiteral("CONNECT"));
    m_view->SetStatusText(tr("Logging on to host ..."));
    Timer1->setInterval(timings().watchdogTickMs);
    Timer1->start();
    if (m_ftp->state() == FtpSession::State::Connected) {
        m_ftp->setTag(QStringLiteral("RESET"));
        m_ftp->disconnectFromServer();
    }
    m_view->EnableUpdate(false);
    if (!m_ftp->connectAndLogOn()) {
        box(tr("0 - The connection could not be started."), tr("Web Update Error"), MsgIcon::Exclamation);
        backToIdle();
    }
}

void UpdateRun::Timer1_Timer()
{
    if (m_ftp->tag() != QStringLiteral("CONNECT")) {
        Timer1->stop();
        return;
    }
    ++m_connectTicks;
    m_view->SetStatusText(tr("Connecting to host .....%1").arg(m_connectTicks));
    if (m_connectTicks < kWatchdogLimit)
        return;
    Timer1->stop();
    m_ftp->abort();
    box(tr("Unable to connect to host ... please try later"), tr("Connect Error"), MsgIcon::Critical);
    emit gaveUp();
}

void UpdateRun::Timer2_Timer()
{
    ++m_elapsedSeconds;
}

void UpdateRun::mabryFTP_Done()
{
    const QString tag = m_ftp->tag();
    if (tag == QStringLiteral("CONNECT")) {
        m_view->EnableUpdate(true);
        m_view->SetStatusText(tr("Getting %1 file size now ...").arg(m_packageFile));
        m_ftp->setTag(QStringLiteral("GetFileSize"));
        m_ftp->sendCommand(QStringLiteral("SIZE ") + UpdateServer::RemotePath(m_packageFile));
    } else if (tag == QStringLiteral("GetFileSize")) {
        sizeReplyArrived();
    } else if (tag == QStringLiteral("Get")) {
        m_packageTime = m_ftp->fileTime();
        logEvent(QStringLiteral("FTP: Download Complete: ") + m_packageFile);
        if (m_updateKeys.isEmpty())
            completeTransfer();
        else
            fetchSignature();
    } else if (tag == kSignatureTag) {
        logEvent(QStringLiteral("FTP: Download Complete: ") + PackageSignature::SignatureFile(m_packageFile));
        completeTransfer();
    } else if (tag == QStringLiteral("COMPLETE")) {
        logEvent(QStringLiteral("FTP TAG: Complete"));
    } else if (tag == QStringLiteral("CANCEL") || tag == QStringLiteral("FILE_NOT_AVAIL")) {
        logEvent(QStringLiteral("FTP TAG: ") + tag);
        m_downloading = false;
        m_busy = false;
        m_view->EnableUpdate(true);
        m_view->ShowNotBusy();
    } else {
        box(tr("TAG: %1").arg(tag), tr("Unexpected FTP Return"), MsgIcon::Exclamation);
        logEvent(QStringLiteral("FTP TAG: ") + tag);
    }
}

void UpdateRun::completeTransfer()
{
    m_ftp->setTag(QStringLiteral("COMPLETE"));
    m_ftp->disconnectFromServer();
    m_downloading = false;
    m_busy = false;
    m_view->SetStatusText(tr("File transfer complete!"));
    m_view->EnableUpdate(true);
    m_view->ShowNotBusy();
    m_view->setUpdateCaption(false);
    if (!packageTrusted())
        return;
    // A cancel click may have pointed the global at another program meanwhile.
    g_TargetFolder = m_target;
    PackageProcessor processor(m_view);
    m_processing = true;
    processor.ProcessFile(m_packageFile);
    m_processing = false;
    // What "--check" compares with: only a package that went in without an error counts.
    if (!g_UpdateError) {
        if (const Result<> recorded =
                LastPackage::record(m_target, m_packageFile, {m_packageSize, m_packageTime});
            !recorded)
            logEvent(QStringLiteral("Last package not recorded: ") + recorded.error().message);
    }
    emit processingEnded();
}

void UpdateRun::sizeReplyArrived()
{
    const UpdateServer::SizeReply reply = UpdateServer::ParseSizeReply(m_ftp->lastReply());
    m_fileAvailable = reply.available;
    m_packageSize = reply.available && reply.size >= 1 ? qint64(reply.size) : -1;
    m_packageTime = -1;
    if (!reply.available) {
        logEvent(QStringLiteral("FTP: File Not Available: ") + m_packageFile);
        m_view->SetStatusText(tr("Disconnecting now ..."));
        m_ftp->setTag(QStringLiteral("FILE_NOT_AVAIL"));
        m_ftp->disconnectFromServer();
        m_view->EnableUpdate(true);
        m_busy = false;
        m_downloading = false;
        m_view->ShowNotBusy();
        m_view->setUpdateCaption(false);
        box(tr("File %1 is not available at this time.  Please try later ...").arg(m_packageFile),
            tr("File Not Available"), MsgIcon::Exclamation);
        return;
    }
    const QString sizeText = QLocale::c().toString(reply.size, 'f', 0);
    m_view->SetStatusText(tr("Size of: %1 is %2").arg(m_packageFile, sizeText));
    m_totalBytes = qint32(std::clamp(std::llround(reply.size), 0LL, 2147483647LL));
    logEvent(QStringLiteral("FTP: File Is Available: %1 (Size = %2)").arg(m_packageFile).arg(m_totalBytes));

    const QString local = localPath(m_packageFile);
    m_view->SetStatusText(tr("Downloading %1 now ...").arg(m_packageFile));
    logEvent(QStringLiteral("FTP: Begin Download Now: %1 to %2").arg(m_packageFile, local));
    m_ftp->setTag(QStringLiteral("Get"));
    m_downloading = true;
    m_view->startProgress();
    Timer2->setInterval(timings().watchdogTickMs);
    Timer2->start();
    m_elapsedSeconds = 1;
    // A size of 0 (or one the reply did not give in a readable form) announces nothing to
    // hold the download to; the signature and the archive's own checks still guard it.
    const bool sizeKnown = reply.size >= 1;
    if (!sizeKnown)
        logEvent(QStringLiteral("FTP: Size not known: %1 is downloaded without the length check (reply: %2)")
                     .arg(m_packageFile, m_ftp->lastReply().trimmed()));
    m_ftp->getFile(UpdateServer::RemotePath(m_packageFile), local, sizeKnown ? qint64(reply.size) : -1);
}

void UpdateRun::mabryFTP_Progress(qint64 bytes)
{
    if (m_totalBytes < 1)
        m_totalBytes = 1;
    m_view->showProgress(bytes, m_totalBytes, m_elapsedSeconds);
}

void UpdateRun::mabryFTP_Error(int code, const QString &text)
{
    if (m_ftp->tag() == kSignatureTag) {
        signatureDownloadFailed(code, text);
        return;
    }
    const bool connectFailed = code == FtpSession::ConnectFailed && m_ftp->tag() == QStringLiteral("CONNECT");
    if (connectFailed) {
        box(tr("Unable to connect to server.   Please try later"), AppInfo::updaterTitle(),
            MsgIcon::Critical);
        ToggleTransfer();
    } else {
        box(tr("Async Error #: %1 - %2\n%3").arg(code).arg(text, m_ftp->tag()), AppInfo::updaterTitle(),
            MsgIcon::None);
    }
    logEvent(QStringLiteral("Async Error #: %1 - %2 - Tag: %3").arg(code).arg(text, m_ftp->tag()));
    if (!m_ftp->lastErrorDetail().isEmpty())
        logEvent(QStringLiteral("FTP: ") + m_ftp->lastErrorDetail()); // the transfer library's own words
    g_UpdateError = true;
    m_lastAsyncError = code;
    ++m_asyncErrorCount;
    // The session is gone after an error; an update cut short must not leave the window busy.
    if (!connectFailed && m_ftp->state() == FtpSession::State::Disconnected && m_busy)
        backToIdle();
}

void UpdateRun::backToIdle()
{
    Timer1->stop();
    m_busy = false;
    m_downloading = false;
    m_view->setUpdateCaption(false);
    m_view->ShowNotBusy();
}
