// SPDX-License-Identifier: MIT
// Downloads one large package from a pyftpdlib server on 127.0.0.1 through the
// updater's FTP session (event loop running, progress handled as the window
// would), and with the curl tool from the same server, alternately, and prints
// both throughputs. Data lives in /tmp/vantelo-ftp-bench.
//
//   bench-ftp [rounds=3] [megabytes=200]

#include "updater/net/FtpSession.h"
#include "updater/net/modUpdateServer.h"
#include "updater/net/testsupport/FtpTestServer.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QProcess>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

const QString Root = QStringLiteral("/tmp/vantelo-ftp-bench");
const QString Package = QStringLiteral("bench.zip");

struct Run {
    double seconds = 0;
    qint64 bytes = 0;
    qint64 maxTickGapMs = 0; // longest the event loop went without serving a 10 ms timer
};

Run viaSession(const FtpTestServer &server, const QString &local, qint64 size)
{
    QFile::remove(local);
    FtpSession s;
    s.setHost(server.host(), server.port());
    s.setUserName(UpdateServer::UserName());
    s.setPassword(UpdateServer::Password());
    QEventLoop loop;
    QString failure;
    QString status;
    QObject::connect(&s, &FtpSession::progress, [&](qint64 bytes, qint64 total) {
        status = QStringLiteral("(%1) bytes of %2 received").arg(bytes).arg(total);
    });
    QObject::connect(&s, &FtpSession::error, [&](int code, const QString &text, const QString &) {
        failure = QStringLiteral("%1 %2").arg(code).arg(text);
        loop.quit();
    });
    QObject::connect(&s, &FtpSession::done, [&](const QString &tag) {
        if (tag == QStringLiteral("CONNECT")) {
            s.setTag(QStringLiteral("Get"));
            s.getFile(UpdateServer::RemotePath(Package), local, size);
        } else {
            loop.quit();
        }
    });
    QElapsedTimer tickClock;
    qint64 maxGap = 0;
    QTimer ticker;
    ticker.setInterval(10);
    QObject::connect(&ticker, &QTimer::timeout, [&] { maxGap = std::max(maxGap, tickClock.restart()); });

    QElapsedTimer clock;
    clock.start();
    tickClock.start();
    ticker.start();
    s.setTag(QStringLiteral("CONNECT"));
    s.connectAndLogOn();
    loop.exec();
    Run r;
    r.seconds = static_cast<double>(clock.nsecsElapsed()) / 1e9;
    r.bytes = QFileInfo(local).size();
    r.maxTickGapMs = maxGap;
    if (!failure.isEmpty())
        std::fprintf(stderr, "session failed: %s\n", qPrintable(failure));
    s.setTag(QStringLiteral("COMPLETE"));
    s.disconnectFromServer();
    return r;
}

Run viaCurl(const FtpTestServer &server, const QString &local)
{
    QFile::remove(local);
    // "%2F" keeps the path absolute, as the session asks for it.
    const QString url = QStringLiteral("ftp://%1:%2@%3/")
                            .arg(UpdateServer::UserName(), UpdateServer::Password(), server.address()) +
                        QStringLiteral("%2F") + UpdateServer::RemotePath(Package).mid(1);
    QProcess curl;
    QElapsedTimer clock;
    clock.start();
    curl.start(QStringLiteral("curl"), {QStringLiteral("-sS"), QStringLiteral("-o"), local, url});
    curl.waitForFinished(-1);
    Run r;
    r.seconds = static_cast<double>(clock.nsecsElapsed()) / 1e9;
    r.bytes = QFileInfo(local).size();
    if (curl.exitCode() != 0)
        std::fprintf(stderr, "curl failed: %s\n", curl.readAllStandardError().constData());
    return r;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, QString::fromLocal8Bit(argv[1]).toInt()) : 3;
    const qint64 mb = argc > 2 ? std::max(1, QString::fromLocal8Bit(argv[2]).toInt()) : 200;
    const qint64 size = mb * 1024 * 1024;

    QDir().mkpath(Root + QStringLiteral("/root"));
    FtpTestServer server;
    server.setRoot(Root + QStringLiteral("/root"));
    if (QFileInfo(server.serverFolder() + Package).size() != size) {
        std::printf("writing a %lld MB package ...\n", static_cast<long long>(mb));
        server.putFile(Package, size);
    }
    if (const auto started = server.start(); !started) {
        std::fprintf(stderr, "FTP server: %s\n", qPrintable(started.error().message));
        return 1;
    }
    const QString ours = Root + QStringLiteral("/session.out");
    const QString theirs = Root + QStringLiteral("/curl.out");

    std::printf("%lld MB from pyftpdlib on 127.0.0.1, %d rounds, order alternating\n",
                static_cast<long long>(mb), rounds);
    std::printf("%-6s %-14s %10s %10s %14s\n", "round", "client", "seconds", "MB/s", "max loop gap");
    std::vector<double> sessionRates, curlRates;
    bool complete = true;
    for (int i = 0; i < rounds; ++i) {
        auto one = [&](bool session) {
            const Run r = session ? viaSession(server, ours, size) : viaCurl(server, theirs);
            complete = complete && r.bytes == size;
            const double rate = static_cast<double>(r.bytes) / 1048576.0 / r.seconds;
            (session ? sessionRates : curlRates).push_back(rate);
            if (session)
                std::printf("%-6d %-14s %10.3f %10.1f %11lld ms\n", i + 1, "FtpSession", r.seconds, rate,
                            static_cast<long long>(r.maxTickGapMs));
            else
                std::printf("%-6d %-14s %10.3f %10.1f %14s\n", i + 1, "curl (tool)", r.seconds, rate, "-");
            std::fflush(stdout);
        };
        one(i % 2 == 0);
        one(i % 2 != 0);
    }
    QFile::remove(ours);
    QFile::remove(theirs);
    const double a = median(sessionRates);
    const double b = median(curlRates);
    std::printf("median: FtpSession %.1f MB/s, curl %.1f MB/s, ratio %.2f (goal >= 0.90)%s\n", a, b, a / b,
                complete ? "" : "  INCOMPLETE DOWNLOADS");
    return complete ? 0 : 1;
}
