// SPDX-License-Identifier: MIT
// UpdateRun: the package's minisign signature, fetched after the package in the same
// session and checked before anything is unpacked.
#include "UpdateRun.h"

#include "FtpSession.h"
#include "common/core/AppInfo.h"
#include "common/core/RegistryHive.h"
#include "common/core/UiServices.h"
#include "modUpdateServer.h"
#include "updater/core/PackageSignature.h"
#include "updater/core/modService.h"

#include <QFile>

// A setting that guards the update and cannot be read stops it: read as absent, it would
// turn its check off (no signature check, no TLS, the system's authorities).
void UpdateRun::refuseUnreadableSettings(const QString &what)
{
    logEvent(QStringLiteral("Update refused: %1").arg(what));
    g_UpdateError = true;
    const QString text = tr("The update cannot start, because a setting in %1 cannot be read (%2). Nothing "
                            "was downloaded or installed.")
                             .arg(hivePath(RegRoot::LocalMachine), what);
    m_view->SetStatusLabel(text);
    MsgBox(text, MsgIcon::Exclamation, MsgButtons::Ok, AppInfo::updaterTitle());
}

bool UpdateRun::readUpdateKeys()
{
    const Result<QString> keys = PackageSignature::ConfiguredKeys();
    if (!keys) {
        m_updateKeys.clear();
        refuseUnreadableSettings(QStringLiteral("UPDATE_PUBKEY: ") + keys.error().message);
        return false;
    }
    m_updateKeys = *keys;
    return true;
}

void UpdateRun::fetchSignature()
{
    const QString name = PackageSignature::SignatureFile(m_packageFile);
    const QString local = localPath(name);
    m_signaturePending = true;
    m_view->SetStatusText(tr("Downloading %1 now ...").arg(name));
    logEvent(QStringLiteral("FTP: Begin Download Now: %1 to %2").arg(name, local));
    m_ftp->setTag(QString(kSignatureTag));
    m_totalBytes = 0;
    m_elapsedSeconds = 1;
    m_view->resetProgress();
    if (!m_ftp->getFile(UpdateServer::RemotePath(name), local)) {
        m_ftp->abort();
        backToIdle();
        refusePackage(QStringLiteral("its signature could not be requested"));
    }
}

void UpdateRun::signatureDownloadFailed(int code, const QString &text)
{
    logEvent(QStringLiteral("Async Error #: %1 - %2 - Tag: %3").arg(code).arg(text, m_ftp->tag()));
    if (!m_ftp->lastErrorDetail().isEmpty())
        logEvent(QStringLiteral("FTP: ") + m_ftp->lastErrorDetail());
    m_lastAsyncError = code;
    ++m_asyncErrorCount;
    if (m_ftp->state() != FtpSession::State::Disconnected)
        m_ftp->abort();
    backToIdle();
    refusePackage(QStringLiteral("its signature file %1 could not be downloaded (%2)")
                      .arg(PackageSignature::SignatureFile(m_packageFile), text));
}

bool UpdateRun::packageTrusted()
{
    if (m_updateKeys.isEmpty()) {
        logEvent(QStringLiteral("Signature: not checked (no update key configured)"));
        return true;
    }
    const QString package = localPath(m_packageFile);
    const QString signature = localPath(PackageSignature::SignatureFile(m_packageFile));
    const PackageSignature::Result r =
        PackageSignature::Check(m_updateKeys, package, signature, m_packageFile);
    for (const QString &note : r.notes)
        logEvent(note);
    if (!r.good) {
        refusePackage(r.reason);
        return false;
    }
    m_signaturePending = false;
    QFile::remove(signature);
    logEvent(QStringLiteral("Signature: good, key %1, trusted comment: %2").arg(r.keyId, r.trustedComment));
    return true;
}

void UpdateRun::refusePackage(const QString &reason)
{
    m_signaturePending = false;
    removePackageFiles();
    logEvent(QStringLiteral("Package signature refused for %1: %2; package deleted, nothing unpacked")
                 .arg(m_packageFile, reason));
    g_UpdateError = true;
    const QString text = PackageSignature::RefusalText(m_packageFile);
    m_view->SetStatusLabel(text);
    MsgBox(text, MsgIcon::Exclamation, MsgButtons::Ok, AppInfo::updaterTitle());
    modService::ShowLog();
}

void UpdateRun::removePackageFiles()
{
    QFile::remove(localPath(m_packageFile));
    QFile::remove(localPath(PackageSignature::SignatureFile(m_packageFile)));
}

void UpdateRun::dropUnverifiedPackage(const QString &why)
{
    if (!m_signaturePending)
        return;
    m_signaturePending = false;
    removePackageFiles();
    logEvent(
        QStringLiteral("Signature: %1 before the signature was checked; %2 deleted").arg(why, m_packageFile));
}
