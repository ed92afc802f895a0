// SPDX-License-Identifier: MIT
#include "common/core/modRegistry.h"
#include "common/testsupport/TestEnv.h"

#include <QProcess>

#include <gtest/gtest.h>

namespace {
struct RegRun {
    int code;
    QString out;
    QString err;
};
RegRun reg(const QStringList &args)
{
    QProcess p;
    p.start(QStringLiteral(VANTELO_REG), args);
    p.waitForFinished();
    return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()),
            QString::fromUtf8(p.readAllStandardError())};
}
} // namespace

TEST(VanteloReg, AddQueryDeleteOnTheProgramsHives)
{
    TestEnv env;
    const QString key = QStringLiteral("HKLM\\Software\\Vantelo\\ORVANA");
    EXPECT_EQ(reg({QStringLiteral("query"), key}).code, 1);
    EXPECT_EQ(reg({QStringLiteral("add"), key, QStringLiteral("/v"), QStringLiteral("FRONT_END"),
                   QStringLiteral("/d"), QStringLiteral("/opt/Vantelo/Parts"), QStringLiteral("/f")})
                  .code,
              0);
    // The programs see what the tool wrote.
    EXPECT_EQ(modRegistry::GetStringValue(RegRoot::LocalMachine, QStringLiteral("software\\vantelo\\orvana"),
                                          QStringLiteral("front_end")),
              QStringLiteral("/opt/Vantelo/Parts"));
    modRegistry::SetStringValue(RegRoot::LocalMachine, QStringLiteral("Software\\Vantelo\\ORVANA"),
                                QStringLiteral("UPDATE_HOST"), QStringLiteral("127.0.0.1:2121"));

    RegRun q =
        reg({QStringLiteral("query"), QStringLiteral("HKEY_LOCAL_MACHINE\\SOFTWARE\\Vantelo\\ORVANA")});
    EXPECT_EQ(q.code, 0);
    EXPECT_EQ(q.out, QStringLiteral("FRONT_END    REG_SZ    /opt/Vantelo/Parts\n"
                                    "UPDATE_HOST    REG_SZ    127.0.0.1:2121\n"));
    q = reg({QStringLiteral("query"), key, QStringLiteral("/v"), QStringLiteral("update_host")});
    EXPECT_EQ(q.out, QStringLiteral("UPDATE_HOST    REG_SZ    127.0.0.1:2121\n"));
    EXPECT_EQ(reg({QStringLiteral("query"), key, QStringLiteral("/v"), QStringLiteral("nothing")}).code, 1);

    EXPECT_EQ(reg({QStringLiteral("delete"), key, QStringLiteral("/v"), QStringLiteral("FRONT_END"),
                   QStringLiteral("/f")})
                  .code,
              0);
    EXPECT_EQ(reg({QStringLiteral("query"), key, QStringLiteral("/v"), QStringLiteral("FRONT_END")}).code, 1);
    EXPECT_EQ(reg({QStringLiteral("delete"), key, QStringLiteral("/v"), QStringLiteral("FRONT_END")}).code,
              1);
}

TEST(VanteloReg, SaysWhenAHiveCannotBeWritten)
{
    TestEnv env;
    TestEnv::writeFile(env.path(QStringLiteral("blocker")), "x");
    qputenv("VANTELO_HIVE_DIR", QFile::encodeName(env.path(QStringLiteral("blocker/hives"))));
    const RegRun r = reg({QStringLiteral("add"), QStringLiteral("HKCU\\Software\\X"), QStringLiteral("/v"),
                          QStringLiteral("a"), QStringLiteral("/d"), QStringLiteral("b")});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("cannot be written")));
    EXPECT_EQ(reg({QStringLiteral("query"), QStringLiteral("HKXX\\Software")}).code, 2);
}
