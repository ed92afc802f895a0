// SPDX-License-Identifier: MIT
#pragma once

#include "updater/core/UpdateView.h"
#include "updater/core/modServiceLog.h"

#include <QObject>
#include <QString>

class FtpSession;
class QTimer;

// What an update run shows while it downloads, beside what package processing shows.
// The updater's window implements it; tests may pass none, and every call is dropped.
class UpdateRunView : public UpdateView {
public:
    virtual void setUpdateCaption(bool /*cancel*/) {} // cmdUpdate reads "Cancel" while a run is busy
    virtual void setHourglass(bool /*on*/) {}
    virtual void startProgress() {} // the download's bar appears, from 0 to 105
    virtual void resetProgress() {} // the bar back to 0
    // B bytes of T received after E elapsed seconds (T is at least 1).
    virtual void showProgress(qint64 /*bytes*/, qint32 /*total*/, int /*elapsedSeconds*/) {}
    virtual void repaintNow() {} // before a disconnect that may take a moment
};

// One update, from connecting to the update server to the end of package processing: the
// designed tag-driven download on FtpSession's events ("CONNECT", "GetFileSize", "Get",
// "GetSignature", "COMPLETE", "FILE_NOT_AVAIL", "CANCEL", "--"), the connect watchdog
// (Timer1, giving up after 90 ticks) and the elapsed-seconds counter (Timer2), both ticking
// at timings().watchdogTickMs; the package's signature when UPDATE_PUBKEY is set; and
// PackageProcessor::ProcessFile inside the download's completion.
//
// The package goes to g_TargetFolder as it stands when the run starts. Boxes go through
// the user seam, as the designed reports do; the rest is shown through the view.
class UpdateRun final : public QObject {
    Q_OBJECT
public:
    explicit UpdateRun(UpdateRunView *view = nullptr, QObject *parent = nullptr);
    ~UpdateRun() override;
    UpdateRun(const UpdateRun &) = delete;
    UpdateRun &operator=(const UpdateRun &) = delete;

    // Clears g_UpdateError, reads the update keys and starts connecting. False when a
    // setting that guards the update cannot be read: refused and reported, nothing started.
    bool start(const QString &packageFile);
    // The user's cancel of a busy run (the update button reading "Cancel").
    void cancel();
    // The window goes: nothing more is reported, and an unverified package is deleted.
    void abort(const QString &why);

    bool busy() const { return m_busy; }
    bool downloading() const { return m_downloading; }
    bool processing() const { return m_processing; }
    QString packageFile() const { return m_packageFile; }
    qint32 totalBytes() const { return m_totalBytes; }
    int elapsedSeconds() const { return m_elapsedSeconds; }
    int connectTicks() const { return m_connectTicks; }
    int asyncErrorCount() const { return m_asyncErrorCount; }
    int lastAsyncError() const { return m_lastAsyncError; }
    FtpSession &session() { return *m_ftp; }

    // The updater's log, told once per run object that nothing is being recorded.
    void logEvent(const QString &text);

signals:
    // The connect watchdog ran out: the window closes, which ends the program.
    void gaveUp();
    // ProcessFile has returned.
    void processingEnded();

private:
    static constexpr QLatin1String kSignatureTag{"GetSignature"};

    void ToggleTransfer();
    void CancelTransfer();
    void ConnectToServer();
    void mabryFTP_Done();
    void mabryFTP_Progress(qint64 bytes);
    void mabryFTP_Error(int code, const QString &text);
    void Timer1_Timer();
    void Timer2_Timer();
    void sizeReplyArrived();
    void backToIdle();
    void completeTransfer();
    QString localPath(const QString &file) const;
    // The package's signature (UpdateRunSignature.cpp).
    bool readUpdateKeys();
    void refuseUnreadableSettings(const QString &what);
    void fetchSignature();
    void signatureDownloadFailed(int code, const QString &text);
    bool packageTrusted();
    void refusePackage(const QString &reason);
    // The package and its signature file, wherever the run left them.
    void removePackageFiles();
    void dropUnverifiedPackage(const QString &why);

    UpdateRunView m_noView;
    UpdateRunView *m_view;
    FtpSession *m_ftp = nullptr;
    QTimer *Timer1 = nullptr;
    QTimer *Timer2 = nullptr;
    modService::EventLog m_log;

    bool m_busy = false;
    QString m_packageFile;
    QString m_target; // g_TargetFolder when the run started
    bool m_downloading = false;
    bool m_fileAvailable = false;
    qint32 m_totalBytes = 0;
    int m_elapsedSeconds = 0;
    int m_connectTicks = 0;
    int m_asyncErrorCount = 0;
    int m_lastAsyncError = 0;
    QString m_updateKeys;            // UPDATE_PUBKEY as it stood when the update started
    bool m_signaturePending = false; // the package is on disk but not yet verified
    bool m_processing = false;       // the package's process file is running
    qint64 m_packageSize = -1;       // as the size query gave it
    qint64 m_packageTime = -1;       // the server's time of the package downloaded
};
