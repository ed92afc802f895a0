// SPDX-License-Identifier: MIT
#include "common/core/RegistryHive.h"
#include "common/core/modRegistry.h"
#include "common/testsupport/TestEnv.h"
#include "updater/net/FtpSession.h"
#include "updater/net/modUpdateServer.h"

#include <QFile>

#include <gtest/gtest.h>

TEST(UpdateServer, AddressFromRegistryValueOrBuildDefault)
{
    TestEnv env;
    EXPECT_EQ(UpdateServer::ServerAddress()->host, UpdateServer::DefaultHost());
    EXPECT_EQ(UpdateServer::ServerAddress()->port, 21);

    Reg::SaveAppSetting(QStringLiteral("UPDATE_HOST"), QStringLiteral(" updates.example.net:2121 "));
    EXPECT_EQ(UpdateServer::ServerAddress()->host, QStringLiteral("updates.example.net"));
    EXPECT_EQ(UpdateServer::ServerAddress()->port, 2121);

    FtpSession s;
    ASSERT_TRUE(UpdateServer::Configure(s, true));
    EXPECT_FALSE(s.activeMode());
    EXPECT_EQ(s.timeout(), 75);
    ASSERT_TRUE(UpdateServer::Configure(s, false));
    EXPECT_TRUE(s.activeMode());
}

TEST(UpdateServer, AddressForms)
{
    struct Case {
        const char *text;
        const char *host;
        int port;
    };
    const Case cases[] = {
        {"ftp.example.com", "ftp.example.com", 21},
        {"127.0.0.1:40000", "127.0.0.1", 40000},
        {"host:0", "host", 21},
        {"host:abc", "host", 21},
        {"[::1]:2121", "::1", 2121},
        {"::1", "::1", 21},
        {"", "", 21},
    };
    for (const Case &c : cases) {
        const auto a = UpdateServer::ParseAddress(QString::fromLatin1(c.text));
        EXPECT_EQ(a.host, QString::fromLatin1(c.host)) << c.text;
        EXPECT_EQ(a.port, c.port) << c.text;
    }
}

TEST(UpdateServer, SizeReplies)
{
    struct Case {
        const char *reply;
        bool available;
        double size;
    };
    const Case cases[] = {
        {"213 12345", true, 12345},
        {"213    987   ", true, 987},
        {"213 0", true, 0},
        {"213 junk", true, 0},
        {"550 No such file.", false, 0},
        {"350 Pending", false, 0},
        {"450 Busy", false, 0},
        {"213 4294967296", true, 4294967296.0},
        // No file is that large: no number, rather than one the download cannot convert.
        {"213 1e999", true, 0},
        {"213 333333333333333333333333", true, 0},
    };
    for (const Case &c : cases) {
        const auto r = UpdateServer::ParseSizeReply(QString::fromLatin1(c.reply));
        EXPECT_EQ(r.available, c.available) << c.reply;
        EXPECT_EQ(r.size, c.size) << c.reply;
    }
    EXPECT_EQ(UpdateServer::RemotePath(QStringLiteral("42.ZIP")),
              QStringLiteral("/vantelo_com/web/download/42.ZIP"));
}

TEST(UpdateServer, SettingsThatCannotBeReadFailTheConfigurationInsteadOfTurningTlsOff)
{
    TestEnv env;
    Reg::SaveAppSetting(QStringLiteral("UPDATE_HOST"), QStringLiteral("ftps://updates.example.com"));
    const QString hive = hivePath(RegRoot::LocalMachine);
    QFile::remove(hive);
    TestEnv::writeFile(hive, QByteArray(4096, 'Z'));
    FtpSession s;
    const Result<> configured = UpdateServer::Configure(s, true);
    ASSERT_FALSE(configured.has_value());
    EXPECT_TRUE(configured.error().message.startsWith(QStringLiteral("UPDATE_HOST cannot be read: ")));
    EXPECT_FALSE(UpdateServer::CertificateAuthorityFile().has_value());
    EXPECT_FALSE(s.tls());
}
