// SPDX-License-Identifier: MIT
#include "FtpTestServer.h"

#include "updater/net/modUpdateServer.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

FtpTestServer::FtpTestServer(Mode mode) : m_mode(mode), m_root(m_tempRoot.path()) {}

FtpTestServer::~FtpTestServer()
{
    stop();
}

Result<> FtpTestServer::start()
{
    QDir().mkpath(serverFolder());
    QString mode = QStringLiteral("normal");
    switch (m_mode) {
    case Mode::Normal: break;
    case Mode::DropMidTransfer: mode = QStringLiteral("drop"); break;
    case Mode::ShortTransfer: mode = QStringLiteral("short"); break;
    case Mode::Silent: mode = QStringLiteral("silent"); break;
    }
    QStringList args{QStringLiteral(VANTELO_FTP_TEST_SERVER),
                     QStringLiteral("--root"),
                     m_root,
                     QStringLiteral("--user"),
                     UpdateServer::UserName(),
                     QStringLiteral("--password"),
                     UpdateServer::Password(),
                     QStringLiteral("--mode"),
                     mode,
                     QStringLiteral("--rate"),
                     QString::number(m_rate),
                     QStringLiteral("--drop-after"),
                     QString::number(m_dropAfter),
                     QStringLiteral("--log"),
                     m_tempRoot.filePath(QStringLiteral("commands.log"))};
    if (!m_sizeReply.isEmpty())
        args << QStringLiteral("--size-reply") << m_sizeReply;
    if (!m_tlsCert.isEmpty())
        args << QStringLiteral("--tls-cert") << m_tlsCert << QStringLiteral("--tls-key") << m_tlsKey;
    m_process.setProcessChannelMode(QProcess::SeparateChannels);
    m_process.start(QStringLiteral("/usr/bin/python3"), args);
    if (!m_process.waitForStarted(10000))
        return fail(QStringLiteral("python3 did not start: ") + m_process.errorString());
    QByteArray out;
    const QDeadlineTimer deadline(15000);
    while (!out.contains('\n') && !deadline.hasExpired()) {
        if (!m_process.waitForReadyRead(static_cast<int>(deadline.remainingTime())))
            break;
        out += m_process.readAllStandardOutput();
    }
    const QByteArray line = out.left(out.indexOf('\n')).trimmed();
    if (!line.startsWith("PORT ")) {
        const QString err = QString::fromLocal8Bit(m_process.readAllStandardError());
        stop();
        return fail(QStringLiteral("the FTP server did not report its port: ") + err);
    }
    m_port = line.mid(5).toInt();
    if (m_port <= 0)
        return fail(QStringLiteral("bad port line"));
    return {};
}

void FtpTestServer::stop()
{
    if (m_process.state() != QProcess::NotRunning) {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
}

QString FtpTestServer::address() const
{
    return (m_tlsCert.isEmpty() ? QString() : QStringLiteral("ftps://")) +
           QStringLiteral("127.0.0.1:%1").arg(m_port);
}

QString FtpTestServer::serverFolder() const
{
    return m_root + UpdateServer::ServerFolder();
}

QString FtpTestServer::putFile(const QString &name, const QByteArray &bytes) const
{
    QString path = serverFolder() + name;
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        f.write(bytes);
    return path;
}

QString FtpTestServer::putFile(const QString &name, qint64 size) const
{
    QString path = serverFolder() + name;
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return path;
    constexpr qint64 chunk = 1 << 20;
    const QByteArray block = patternBytes(chunk);
    for (qint64 done = 0; done < size; done += chunk)
        f.write(block.constData(), std::min(chunk, size - done));
    return path;
}

QByteArray FtpTestServer::patternBytes(qint64 size)
{
    // Not a multiple of any buffer size, so a misplaced block shows.
    QByteArray b(size, Qt::Uninitialized);
    for (qint64 i = 0; i < size; ++i)
        b[i] = static_cast<char>((i * 131 + i / 251) & 0xff);
    return b;
}

int FtpTestServer::refusedPort()
{
    const int s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = 0;
    socklen_t len = sizeof a;
    int port = 0;
    if (::bind(s, reinterpret_cast<sockaddr *>(&a), len) == 0 &&
        ::getsockname(s, reinterpret_cast<sockaddr *>(&a), &len) == 0)
        port = ntohs(a.sin_port);
    ::close(s); // bound but never listening: the port is free and refuses
    return port;
}

QStringList FtpTestServer::commands() const
{
    QFile f(m_tempRoot.filePath(QStringLiteral("commands.log")));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(f.readAll()).split(u'\n', Qt::SkipEmptyParts);
}
