// SPDX-License-Identifier: MIT
#pragma once

#include "ProgramDiscovery.h"
#include "updater/net/UpdateRun.h"

#include <QMainWindow>

#include <array>

class FtpSession;
class QLabel;
class QListWidget;
class QLineEdit;
class QMenu;
class QProgressBar;
class QPushButton;
class QAction;

// The updater's window: the installed programs, the update button, and what the update
// run (download, signature, package processing) shows.
class frmMain final : public QMainWindow, public UpdateRunView {
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
    // UpdateRunView.
    void setUpdateCaption(bool cancel) override;
    void setHourglass(bool on) override;
    void startProgress() override;
    void resetProgress() override;
    void showProgress(qint64 bytes, qint32 total, int elapsedSeconds) override;
    void repaintNow() override;

    const ProgramInfo &program(int index) const { return m_programs.at(size_t(index)); }
    bool busy() const { return m_run->busy(); }
    FtpSession &transfer() { return m_run->session(); }
    UpdateRun &run() { return *m_run; }

public slots:
    void cmdUpdate_Click();

signals:
    // The window gave up and closed itself (the connect watchdog ran out).
    void programEnded();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void buildWindow();
    void buildMenus();
    void Form_Load();
    void removeDebris();
    void lstPrograms_Click();
    void mnuPassive_Click();
    void mnuPackage_Click();
    bool anyProgramRunning();
    void processingEnded();
    void logEvent(const QString &text);

    std::array<ProgramInfo, 3> m_programs;
    UpdateRun *m_run = nullptr;

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

    bool m_supportPackage = false;
    bool m_hourglass = false;
    bool m_closeWhenDone = false; // a close asked for while the process file runs, done when it ends
};
