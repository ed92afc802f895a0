// SPDX-License-Identifier: MIT
#pragma once

#include "common/core/Result.h"

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// A real vsftpd on 127.0.0.1, a server written by others, with the update server's log-on
// and folder on a free port. Its configuration, password file and log live in a temporary
// folder; the log-on is a virtual user (pam_pwdfile) mapped to the "ftp" account and locked
// into the server's root, through a PAM service file of its own under /etc/pam.d that
// stop() removes. vsftpd logs on other users only as root, so it needs root.
class VsftpdServer final {
public:
    VsftpdServer();
    ~VsftpdServer();
    VsftpdServer(const VsftpdServer &) = delete;
    VsftpdServer &operator=(const VsftpdServer &) = delete;

    // Why this machine cannot run it (not root, vsftpd or pam_pwdfile missing); empty if it can.
    static QString unavailable();

    // Starts vsftpd and waits until it greets; fails with the reason otherwise.
    Result<> start();
    void stop();

    int port() const { return m_port; }
    QString address() const { return QStringLiteral("127.0.0.1:%1").arg(m_port); }
    // The local folder that the server shows as "/vantelo_com/web/download/".
    QString serverFolder() const;
    // Writes a file into the server folder, readable by the server's account; its local path.
    QString putFile(const QString &name, const QByteArray &bytes) const;

    // Every command the server received so far, in order ("USER webupdusr", "REST 1000", ...).
    QStringList commands() const;
    // vsftpd's own log, for a failure message.
    QString log() const;

private:
    QString root() const { return m_dir.filePath(QStringLiteral("root")); }
    Result<> writeSetup(int port);

    QTemporaryDir m_dir;
    QString m_pamService; // the file's path under /etc/pam.d once written
    QProcess m_process;
    int m_port = 0;
};
