// SPDX-License-Identifier: MIT
#pragma once

#include "ProgramDiscovery.h"
#include "UpdateView.h"
#include "modService.h"

#include <QMainWindow>

#include <array>

class FtpSession;
class QLabel;
class QListWidget;
class QLineEdit;
class QMenu;
class QProgressBar;
class QPushButton;
class QTimer;
class QAction;

// The updater's window: the installed programs, the update button, and the download
// that ends in package processing.
class frmMain final : public QMainWindow, public UpdateView {
    Q_OBJECT
public:
    explicit frmMain(QWidget *parent = nullptr);
    ~frmMain() override;

    static QString caption();

    // UpdateView, also used by package processing.
    void ShowBusy() override;
    void ShowNotBusy() override;
    void EnableUpdate(bool enabled) override;
    void SetStatusText(const QString &text) override;
    void SetStatusLabel(const QString &text) override;

    const ProgramInfo &program(int index) const { return m_programs.at(size_t(index)); }
    bool busy() const { return m_busy; }
    FtpSession &transfer() { return *m_ftp; }

public slots:
    void cmdUpdate_Click();

signals:
    // The window gave up and closed itself (the connect watchdog ran out).
    void programEnded();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    // The tag of the signature's download, which follows the package's in the same session.
    static constexpr QLatin1String kSignatureTag{"GetSignature"};

    void buildWindow();
    void buildMenus();
    void Form_Load();
    void removeDebris();
    void lstPrograms_Click();
    void mnuPassive_Click();
    void mnuPackage_Click();
    bool anyProgramRunning();
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
    // The package's signature (frmMainSignature.cpp).
    void fetchSignature();
    void signatureDownloadFailed(int code, const QString &text);
    bool readUpdateKeys();
    void refuseUnreadableSettings(const QString &what);
    bool packageTrusted();
    void refusePackage(const QString &reason);
    void dropUnverifiedPackage(const QString &why);
    void logEvent(const QString &text);
    void setHourglass(bool on);

    std::array<ProgramInfo, 3> m_programs;
    FtpSession *m_ftp = nullptr;

    QListWidget *lstPrograms = nullptr;
    QLabel *lblPackage = nullptr;
    QLineEdit *txtPackage = nullptr;
    QPushButton *cmdUpdate = nullptr;
    QLabel *lblStatus = nullptr;
    QProgressBar *Progress2 = nullptr;
    QLabel *m_panelText = nullptr;
    QLabel *m_panelDate = nullptr;
    QLabel *m_panelTime = nullptr;
    QMenu *mnuFile = nullptr;
    QMenu *mnuTools = nullptr;
    QMenu *mnuHelp = nullptr;
    QAction *mnuPassive = nullptr;
    QAction *mnuPackage = nullptr;
    QTimer *Timer1 = nullptr;
    QTimer *Timer2 = nullptr;

    bool m_busy = false;
    bool m_supportPackage = false;
    QString m_packageFile;
    bool m_downloading = false;
    bool m_fileAvailable = false;
    qint32 m_totalBytes = 0;
    int m_elapsedSeconds = 0;
    int m_connectTicks = 0;
    int m_asyncErrorCount = 0;
    int m_lastAsyncError = 0;
    bool m_hourglass = false;
    modService::EventLog m_log;      // says once per window that nothing is being recorded
    QString m_updateKeys;            // UPDATE_PUBKEY as it stood when the update started
    bool m_signaturePending = false; // the package is on disk but not yet verified
    bool m_processing = false;       // the package's process file is running
    bool m_closeWhenDone = false;    // a close asked for meanwhile, done when it ends
};
