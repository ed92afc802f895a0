// SPDX-License-Identifier: MIT
#include "common/core/modRegistry.h"
#include "common/testsupport/TestEnv.h"
#include "updater/net/FtpSession.h"
#include "updater/net/modUpdateServer.h"
#include "updater/net/testsupport/FtpTestServer.h"
#include "updater/net/testsupport/TestCertificates.h"

#include <QFile>
#include <QRegularExpression>
#include <QTest>

#include <gtest/gtest.h>

// FTP over TLS against the pyftpdlib server with certificates of a test authority.
class Ftps : public ::testing::Test {
protected:
    Ftps() : m_certs(m_env.root()) {}

    void SetUp() override
    {
        ASSERT_TRUE(m_certs.makeAuthority(QStringLiteral("ca"))) << m_certs.error().toStdString();
        ASSERT_TRUE(m_certs.makeAuthority(QStringLiteral("stranger-ca"))) << m_certs.error().toStdString();
        ASSERT_TRUE(m_certs.makeServer(QStringLiteral("server"), QStringLiteral("ca"),
                                       QStringLiteral("IP:127.0.0.1,DNS:localhost")))
            << m_certs.error().toStdString();
    }

    void start(FtpTestServer &server, const QString &cert = QStringLiteral("server"))
    {
        server.setTls(m_certs.pem(cert), m_certs.key(cert));
        const auto started = server.start();
        ASSERT_TRUE(started) << started.error().message.toStdString();
    }

    // Configures the session from the registry, as the window does.
    void configure(FtpSession &s, const QString &host, const QString &ca)
    {
        Reg::SaveAppSetting(QStringLiteral("UPDATE_HOST"), host);
        Reg::SaveAppSetting(QStringLiteral("UPDATE_CA"), ca);
        ASSERT_TRUE(UpdateServer::Configure(s, true));
        s.setTimeout(10);
    }

    struct Outcome {
        QString kind;
        int code = 0;
        QString text;
    };
    // Runs one operation to its single event.
    static Outcome run(FtpSession &s, const std::function<bool()> &op)
    {
        Outcome o;
        const auto d = QObject::connect(&s, &FtpSession::done,
                                        [&](const QString &) { o.kind = QStringLiteral("done"); });
        const auto e =
            QObject::connect(&s, &FtpSession::error, [&](int code, const QString &text, const QString &) {
                o = {QStringLiteral("error"), code, text};
            });
        if (op())
            (void)QTest::qWaitFor([&] { return !o.kind.isEmpty(); }, 20000);
        QObject::disconnect(d);
        QObject::disconnect(e);
        return o;
    }

    TestEnv m_env;
    TestCertificates m_certs;
};

TEST_F(Ftps, TrustedServerDownloadsOverTlsInBothModes)
{
    FtpTestServer server;
    start(server);
    const QByteArray body = FtpTestServer::patternBytes(300 * 1000);
    server.putFile(QStringLiteral("mendrelparts.zip"), body);
    const QString local = m_env.path(QStringLiteral("mendrelparts.zip"));
    for (bool active : {false, true}) {
        FtpSession s;
        configure(s, server.address(), m_certs.pem(QStringLiteral("ca")));
        EXPECT_TRUE(s.tls());
        s.setActiveMode(active);
        Outcome o = run(s, [&] { return s.connectAndLogOn(); });
        ASSERT_EQ(o.kind, QStringLiteral("done")) << o.text.toStdString();
        o = run(s, [&] {
            return s.sendCommand(QStringLiteral("SIZE ") +
                                 UpdateServer::RemotePath(QStringLiteral("mendrelparts.zip")));
        });
        EXPECT_EQ(s.lastReply(), QStringLiteral("213 300000"));
        o = run(s, [&] {
            return s.getFile(UpdateServer::RemotePath(QStringLiteral("mendrelparts.zip")), local,
                             body.size());
        });
        ASSERT_EQ(o.kind, QStringLiteral("done"))
            << active << o.text.toStdString() << server.commands().join(u',').toStdString();
        QFile f(local);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        EXPECT_TRUE(f.readAll() == body);
        run(s, [&] {
            s.disconnectFromServer();
            return true;
        });
    }
    // Log-on and data went through TLS: the server saw AUTH before USER, and PROT P;
    // data connections stayed passive even when active ones were asked for.
    const QStringList commands = server.commands();
    EXPECT_EQ(commands.indexOf(QStringLiteral("AUTH TLS")), 0) << commands.join(u',').toStdString();
    EXPECT_TRUE(commands.contains(QStringLiteral("PROT P")));
    EXPECT_TRUE(commands.filter(QRegularExpression(QStringLiteral("^(PORT|EPRT)"))).isEmpty());
}

TEST_F(Ftps, UntrustedCertificateIsRefusedBeforeTheLogOn)
{
    FtpTestServer server;
    start(server);
    for (const QString &ca : {m_certs.pem(QStringLiteral("stranger-ca")), QString()}) {
        FtpSession s;
        configure(s, server.address(), ca);
        const Outcome o = run(s, [&] { return s.connectAndLogOn(); });
        EXPECT_EQ(o.kind, QStringLiteral("error"));
        EXPECT_EQ(o.code, FtpSession::TlsFailed);
        const QString against = ca.isEmpty() ? QStringLiteral("the system's certificate store")
                                             : QStringLiteral("the certificate authorities in ") + ca;
        EXPECT_TRUE(o.text.startsWith(
            QStringLiteral("The server's certificate could not be verified against ") + against))
            << o.text.toStdString();
        EXPECT_EQ(s.state(), FtpSession::State::Disconnected);
    }
    // The password never crossed.
    EXPECT_TRUE(server.commands().filter(QStringLiteral("USER")).isEmpty())
        << server.commands().join(u',').toStdString();
    EXPECT_TRUE(server.commands().filter(QStringLiteral("PASS")).isEmpty());
}

TEST_F(Ftps, CertificateForAnotherHostIsRefused)
{
    ASSERT_TRUE(m_certs.makeServer(QStringLiteral("elsewhere"), QStringLiteral("ca"),
                                   QStringLiteral("DNS:update.example")));
    FtpTestServer server;
    start(server, QStringLiteral("elsewhere"));
    FtpSession s;
    configure(s, server.address(), m_certs.pem(QStringLiteral("ca")));
    const Outcome o = run(s, [&] { return s.connectAndLogOn(); });
    EXPECT_EQ(o.code, FtpSession::TlsFailed);
    EXPECT_TRUE(o.text.startsWith(
        QStringLiteral("The server's certificate is not issued for the host name 127.0.0.1")))
        << o.text.toStdString();
    EXPECT_TRUE(server.commands().filter(QStringLiteral("USER")).isEmpty());
}

TEST_F(Ftps, PlainServerOrUnreadableAuthorityFileIsAnErrorInWords)
{
    FtpTestServer plain;
    const auto started = plain.start();
    ASSERT_TRUE(started) << started.error().message.toStdString();
    {
        FtpSession s;
        configure(s, QStringLiteral("ftps://") + plain.address(), m_certs.pem(QStringLiteral("ca")));
        const Outcome o = run(s, [&] { return s.connectAndLogOn(); });
        EXPECT_EQ(o.code, FtpSession::TlsFailed);
        EXPECT_EQ(o.text,
                  QStringLiteral("The server 127.0.0.1 does not offer FTP over TLS (AUTH TLS was refused)"));
        EXPECT_TRUE(plain.commands().filter(QStringLiteral("USER")).isEmpty());
    }
    FtpTestServer server;
    start(server);
    FtpSession s;
    const QString missing = m_env.path(QStringLiteral("no-such-ca.pem"));
    configure(s, server.address(), missing);
    const Outcome o = run(s, [&] { return s.connectAndLogOn(); });
    EXPECT_EQ(o.code, FtpSession::TlsFailed);
    EXPECT_TRUE(
        o.text.startsWith(QStringLiteral("The certificate authority file %1 cannot be read").arg(missing)))
        << o.text.toStdString();
}

TEST(UpdateServer, FtpsAddressesAndTheirAuthorities)
{
    TestEnv env;
    struct Case {
        const char *text;
        const char *host;
        int port;
        bool tls;
    };
    const Case cases[] = {
        {"ftps://updates.example.com", "updates.example.com", 21, true},
        {"FTPS://127.0.0.1:2121/", "127.0.0.1", 2121, true},
        {"ftps://[::1]:990", "::1", 990, true},
        {"ftp://updates.example.com:2121", "updates.example.com", 2121, false},
        {"updates.example.com", "updates.example.com", 21, false},
    };
    for (const Case &c : cases) {
        const auto a = UpdateServer::ParseAddress(QString::fromLatin1(c.text));
        EXPECT_EQ(a.host, QString::fromLatin1(c.host)) << c.text;
        EXPECT_EQ(a.port, c.port) << c.text;
        EXPECT_EQ(a.tls, c.tls) << c.text;
    }
    // UPDATE_CA counts only for FTP over TLS.
    Reg::SaveAppSetting(QStringLiteral("UPDATE_CA"), QStringLiteral(" /etc/vantelo/ca.pem "));
    FtpSession s;
    Reg::SaveAppSetting(QStringLiteral("UPDATE_HOST"), QStringLiteral("updates.example.com"));
    ASSERT_TRUE(UpdateServer::Configure(s, true));
    EXPECT_FALSE(s.tls());
    EXPECT_TRUE(s.caFile().isEmpty());
    Reg::SaveAppSetting(QStringLiteral("UPDATE_HOST"), QStringLiteral("ftps://updates.example.com"));
    ASSERT_TRUE(UpdateServer::Configure(s, true));
    EXPECT_TRUE(s.tls());
    EXPECT_EQ(s.caFile(), QStringLiteral("/etc/vantelo/ca.pem"));
}
