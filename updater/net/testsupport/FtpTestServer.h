// SPDX-License-Identifier: MIT
#pragma once

#include "common/core/Result.h"

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// A real FTP server on 127.0.0.1 (pyftpdlib under /usr/bin/python3) with the update
// server's log-on and folder, on a free port, for the updater's tests and benchmark.
// It can also play the failures a download must survive.
class FtpTestServer final {
public:
    enum class Mode {
        Normal,
        DropMidTransfer, // the server goes away after dropAfter bytes of a download
        ShortTransfer,   // SIZE claims twice the real size
        Silent,          // accepts connections and never answers
    };

    explicit FtpTestServer(Mode mode = Mode::Normal);
    ~FtpTestServer();
    FtpTestServer(const FtpTestServer &) = delete;
    FtpTestServer &operator=(const FtpTestServer &) = delete;

    // Set before start(): data rate of downloads in bytes/s (0: as fast as it goes),
    // and where DropMidTransfer cuts off. Root defaults to a fresh temporary folder.
    void setRate(qint64 bytesPerSecond) { m_rate = bytesPerSecond; }
    void setDropAfter(qint64 bytes) { m_dropAfter = bytes; }
    void setRoot(const QString &folder) { m_root = folder; }
    // SIZE of an existing file answers this whole reply line ("213 0", "213 n/a").
    void setSizeReply(const QString &reply) { m_sizeReply = reply; }
    // Requires explicit TLS with this certificate (PEM) and key, for control and data.
    void setTls(const QString &certFile, const QString &keyFile)
    {
        m_tlsCert = certFile;
        m_tlsKey = keyFile;
    }

    // Starts the server and waits until it listens; fails with the reason otherwise.
    Result<> start();
    void stop();

    int port() const { return m_port; }
    QString host() const { return QStringLiteral("127.0.0.1"); }
    QString address() const; // "127.0.0.1:<port>" (or "ftps://127.0.0.1:<port>"), as UPDATE_HOST takes it
    // The local folder that the server shows as "/vantelo_com/web/download/".
    QString serverFolder() const;
    // Writes a package into the server folder; returns its local path.
    QString putFile(const QString &name, const QByteArray &bytes) const;
    // A package of `size` bytes whose content is a function of its offset.
    QString putFile(const QString &name, qint64 size) const;
    static QByteArray patternBytes(qint64 size);

    // Every command the server received so far, in order ("USER webupdusr", "EPSV", ...).
    QStringList commands() const;

    // A port on 127.0.0.1 where nothing listens, for "connection refused".
    static int refusedPort();

private:
    Mode m_mode;
    qint64 m_rate = 0;
    qint64 m_dropAfter = 256 * 1024;
    QTemporaryDir m_tempRoot;
    QString m_root;
    QString m_tlsCert;
    QString m_tlsKey;
    QString m_sizeReply;
    QProcess m_process;
    int m_port = 0;
};
