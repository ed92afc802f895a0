// SPDX-License-Identifier: MIT
// "mendrel --update" and "mendrel --check" as a timer runs them: the real program, copied
// into a temporary program folder, as a child process with no display at all, against the
// real test FTP server and a real vsftpd; packages signed with the minisign tool.
#include "common/core/modRegistry.h"
#include "updater/core/modServiceLog.h"
#include "updater/core/testsupport/MinisignKey.h"
#include "updater/core/testsupport/UpdaterFixture.h"
#include "updater/net/LastPackage.h"
#include "updater/net/testsupport/FtpTestServer.h"
#include "updater/net/testsupport/VsftpdServer.h"

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>

namespace {

struct Outcome {
    int code = -1;
    QString err;
    qint64 ms = 0;
};

const QString kPackage = QStringLiteral("mendrelparts.zip");

// The same commands against either server: both have start(), address(), serverFolder(),
// putFile() and commands().
template <class Server> class UnattendedAgainst : public UpdaterTest {
protected:
    UnattendedAgainst() : m_key(m_env.root(), QStringLiteral("publisher"))
    {
        m_exe = programFolder() + QStringLiteral("/mendrel");
        QDir().mkpath(programFolder());
        QFile::copy(QStringLiteral(MENDREL_EXE), m_exe);
        QDir().mkpath(parts());
        modRegistry::SetStringValue(RegRoot::LocalMachine, QStringLiteral("Software\\Vantelo\\ORVANA"),
                                    QStringLiteral("FRONT_END"), parts());
        write(parts() + QStringLiteral("/orvana"), "#!/bin/sh\necho old\n");
        QFile::setPermissions(parts() + QStringLiteral("/orvana"), QFile::ReadOwner | QFile::WriteOwner |
                                                                       QFile::ExeOwner | QFile::ReadOther |
                                                                       QFile::ExeOther);
    }

    void SetUp() override
    {
        ASSERT_TRUE(QFileInfo(m_exe).isExecutable());
        ASSERT_TRUE(m_key.ok()) << m_key.error().toStdString();
        const auto started = m_server.start();
        ASSERT_TRUE(started) << started.error().message.toStdString();
        m_started = QDateTime::currentDateTimeUtc();
        Reg::SaveAppSetting(QStringLiteral("UPDATE_HOST"), m_server.address());
        Reg::SaveAppSetting(QStringLiteral("UPDATE_PUBKEY"), m_key.publicKey());
    }

    QString parts() const { return m_env.path(QStringLiteral("parts")); }

    // The parts package (replacing "orvana" with `program`, showing its notes), signed by `key`.
    void publish(const QByteArray &program, const MinisignKey &key)
    {
        const QString zip = m_env.path(kPackage);
        QFile::remove(zip);
        makeZip(zip, {{QStringLiteral("mendrelparts.INI"),
                       "- parts update\r\n1|new/orvana|orvana\r\n5|new/notes.txt|new/notes.txt\r\n"},
                      {QStringLiteral("new/orvana"), program},
                      {QStringLiteral("new/notes.txt"), "what is new"}});
        m_server.putFile(kPackage, read(zip));
        ASSERT_TRUE(key.sign(zip)) << key.error().toStdString();
        m_server.putFile(kPackage + QStringLiteral(".minisig"), read(zip + QStringLiteral(".minisig")));
    }

    // No display of any kind: the command must not need one.
    Outcome mendrel(const QStringList &args, int timeoutMs = 60000, const QString &killAtStep = {})
    {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            env.remove(QLatin1String(name));
        if (!killAtStep.isEmpty())
            env.insert(QStringLiteral("VANTELO_TEST_KILL_AT_STEP"), killAtStep);
        p.setProcessEnvironment(env);
        QElapsedTimer t;
        t.start();
        p.start(m_exe, args);
        p.waitForFinished(timeoutMs);
        Outcome r;
        r.ms = t.elapsed();
        r.code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
        r.err = QString::fromLocal8Bit(p.readAllStandardError());
        return r;
    }

    int retrievals() const { return int(m_server.commands().filter(QStringLiteral("RETR ")).size()); }
    QString served() const { return m_server.serverFolder() + kPackage; }
    // The server's time of the package, set outright: a second's sleep is no proof of "later".
    void setServedTime(qint64 secondsAfterStart)
    {
        QFile f(served());
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        ASSERT_TRUE(f.setFileTime(m_started.addSecs(secondsAfterStart), QFileDevice::FileModificationTime));
    }
    // What the program prints when it is run, so it must have kept its execute bit.
    QByteArray runProgram() const
    {
        QProcess p;
        p.start(parts() + QStringLiteral("/orvana"), {});
        p.waitForFinished(10000);
        return p.readAllStandardOutput();
    }

    // The scenarios every server must pass.

    void signedPackageIsApplied()
    {
        publish("#!/bin/sh\necho updated\n", m_key);
        const Outcome r = mendrel({QStringLiteral("--update"), QStringLiteral("Orvana")});
        ASSERT_EQ(r.code, 0) << r.err.toStdString();
        EXPECT_EQ(read(parts() + QStringLiteral("/orvana")), "#!/bin/sh\necho updated\n");
        EXPECT_EQ(runProgram(), "updated\n");
        EXPECT_TRUE(r.err.contains(QStringLiteral("Orvana was updated."))) << r.err.toStdString();
        EXPECT_TRUE(r.err.contains(QStringLiteral("% "))) << "no progress line: " << r.err.toStdString();
        // The window's log, with the document a process file would have shown named instead.
        const QStringList log = logEntries();
        EXPECT_FALSE(log.filter(QStringLiteral("Signature: ")).isEmpty()) << log.join(u'\n').toStdString();
        EXPECT_FALSE(log.filter(QStringLiteral("new/notes.txt not shown: no window")).isEmpty())
            << log.join(u'\n').toStdString();
        EXPECT_TRUE(log.contains(QStringLiteral("Unattended update of Orvana complete")));
        // The package's own size and time on the server, read from the server's replies.
        const auto recorded = LastPackage::read(parts(), kPackage);
        ASSERT_TRUE(recorded);
        EXPECT_EQ(recorded->size, QFileInfo(m_env.path(kPackage)).size());
        EXPECT_EQ(recorded->time, QFileInfo(served()).lastModified().toSecsSinceEpoch());
    }

    void refusedSignatureLeavesTheFolder()
    {
        const MinisignKey stranger(m_env.root(), QStringLiteral("stranger"));
        ASSERT_TRUE(stranger.ok());
        publish("#!/bin/sh\necho planted\n", stranger);
        const auto before = treeOf(parts());
        const Outcome r = mendrel({QStringLiteral("--update"), QStringLiteral("orvana")});
        EXPECT_EQ(r.code, 1) << r.err.toStdString();
        EXPECT_TRUE(r.err.contains(QStringLiteral("is not signed by the expected key")))
            << r.err.toStdString();
        EXPECT_EQ(treeOf(parts()), before);
        EXPECT_EQ(runProgram(), "old\n");
        EXPECT_FALSE(LastPackage::read(parts(), kPackage));
    }

    void checkFollowsTheLastPackageApplied()
    {
        publish("#!/bin/sh\necho v2\n", m_key);
        // Nothing recorded yet: whatever the server has is new.
        Outcome r = mendrel({QStringLiteral("--check"), QStringLiteral("Orvana")});
        EXPECT_EQ(r.code, 0) << r.err.toStdString();
        EXPECT_EQ(retrievals(), 0); // asked, not downloaded
        ASSERT_EQ(
            mendrel({QStringLiteral("--update"), QStringLiteral("Orvana"), QStringLiteral("--if-newer")})
                .code,
            0);
        const int fetched = retrievals();

        r = mendrel({QStringLiteral("--check"), QStringLiteral("Orvana")});
        EXPECT_EQ(r.code, 4) << r.err.toStdString();
        r = mendrel({QStringLiteral("--update"), QStringLiteral("Orvana"), QStringLiteral("--if-newer")});
        EXPECT_EQ(r.code, 4) << r.err.toStdString();
        EXPECT_EQ(retrievals(), fetched);
        EXPECT_EQ(read(parts() + QStringLiteral("/orvana")), "#!/bin/sh\necho v2\n");

        // A new package on the server (another size, a later time).
        publish("#!/bin/sh\necho version three\n", m_key);
        ASSERT_NO_FATAL_FAILURE(setServedTime(3600));
        EXPECT_EQ(mendrel({QStringLiteral("--check"), QStringLiteral("Orvana")}).code, 0);
        r = mendrel({QStringLiteral("--update"), QStringLiteral("Orvana"), QStringLiteral("--if-newer")});
        EXPECT_EQ(r.code, 0) << r.err.toStdString();
        EXPECT_EQ(read(parts() + QStringLiteral("/orvana")), "#!/bin/sh\necho version three\n");
        EXPECT_EQ(mendrel({QStringLiteral("--check"), QStringLiteral("Orvana")}).code, 4);

        // The same size at a later time is another package too: only the time tells.
        ASSERT_NO_FATAL_FAILURE(setServedTime(7200));
        r = mendrel({QStringLiteral("--check"), QStringLiteral("Orvana")});
        EXPECT_EQ(r.code, 0) << r.err.toStdString();
    }

    // The server's "no such file" answers: nothing to check is no failure; nothing to fetch is
    // one, as the run ends without processing.
    void missingPackage()
    {
        Outcome r = mendrel({QStringLiteral("--check"), QStringLiteral("Orvana")});
        EXPECT_EQ(r.code, 4) << r.err.toStdString();
        EXPECT_TRUE(r.err.contains(QStringLiteral("There is no update package for"))) << r.err.toStdString();
        r = mendrel({QStringLiteral("--update"), QStringLiteral("Orvana")});
        EXPECT_EQ(r.code, 1) << r.err.toStdString();
        EXPECT_TRUE(r.err.contains(QStringLiteral("is not available"))) << r.err.toStdString();
        EXPECT_EQ(runProgram(), "old\n");
    }

    // A download cut off by an earlier run left its part: the next run asks the server's
    // time, goes on from the part's length with REST, and the whole package still checks out.
    void keptPartIsResumed()
    {
        publish("#!/bin/sh\necho resumed\n", m_key);
        const QByteArray whole = read(served());
        const qint64 kept = whole.size() / 2;
        const QString local = parts() + u'/' + kPackage;
        write(local + QStringLiteral(".part"), whole.left(kept));
        write(local + QStringLiteral(".part.info"),
              "size=" + QByteArray::number(whole.size()) + "\nmdtm=" +
                  QByteArray::number(QFileInfo(served()).lastModified().toSecsSinceEpoch()) + "\n");
        const Outcome r = mendrel({QStringLiteral("--update"), QStringLiteral("Orvana")});
        ASSERT_EQ(r.code, 0) << r.err.toStdString();
        EXPECT_TRUE(m_server.commands().contains(QStringLiteral("REST %1").arg(kept)))
            << m_server.commands().join(u'\n').toStdString();
        EXPECT_EQ(runProgram(), "resumed\n");
    }

    MinisignKey m_key;
    Server m_server;
    QString m_exe;
    QDateTime m_started;
};

using Unattended = UnattendedAgainst<FtpTestServer>;

// vsftpd, a server nobody here wrote: its replies, passive mode, MDTM and REST as they are.
class UnattendedVsftpd : public UnattendedAgainst<VsftpdServer> {
protected:
    void SetUp() override
    {
        if (const QString why = VsftpdServer::unavailable(); !why.isEmpty())
            GTEST_SKIP() << why.toStdString();
        UnattendedAgainst::SetUp();
    }
};

} // namespace

TEST_F(Unattended, SignedPackageIsAppliedWithNoDisplayAndNoOneToAnswer)
{
    ASSERT_NO_FATAL_FAILURE(signedPackageIsApplied());
}

TEST_F(Unattended, RefusedSignatureFailsAndLeavesTheFolderAsItWas)
{
    refusedSignatureLeavesTheFolder();
}

TEST_F(Unattended, AnUpdateKilledHalfWayIsUndoneByTheNextRunBeforeItTouchesTheFolder)
{
    publish("#!/bin/sh\necho updated\n", m_key);
    const auto before = treeOf(parts());
    const Outcome killed =
        mendrel({QStringLiteral("--update"), QStringLiteral("Orvana")}, 60000, QStringLiteral("4"));
    ASSERT_EQ(killed.code, -1) << "not killed: " << killed.err.toStdString();
    ASSERT_TRUE(QFile::exists(parts() + QStringLiteral("/.vantelo-journal")));

    // Even a run that only asks the server puts the folder back first.
    const Outcome checked = mendrel({QStringLiteral("--check"), QStringLiteral("Orvana")});
    EXPECT_TRUE(checked.err.contains(QStringLiteral("Interrupted update of"))) << checked.err.toStdString();
    // The package was downloaded before the apply began; it is the next run's, not the program's.
    QFile::remove(parts() + u'/' + kPackage);
    EXPECT_EQ(treeOf(parts()), before);
    EXPECT_FALSE(QFile::exists(parts() + QStringLiteral("/.vantelo-journal")));

    const Outcome updated = mendrel({QStringLiteral("--update"), QStringLiteral("Orvana")});
    ASSERT_EQ(updated.code, 0) << updated.err.toStdString();
    EXPECT_EQ(read(parts() + QStringLiteral("/orvana")), "#!/bin/sh\necho updated\n");
}

TEST_F(Unattended, FailuresAndWrongUseHaveTheirOwnExitStatus)
{
    EXPECT_EQ(mendrel({QStringLiteral("--update"), QStringLiteral("Nobody")}).code, 2);
    EXPECT_EQ(mendrel({QStringLiteral("--update"), QStringLiteral("Orvana"), QStringLiteral("--wait")}).code,
              2);
    EXPECT_EQ(
        mendrel({QStringLiteral("--check"), QStringLiteral("Orvana"), QStringLiteral("--if-newer")}).code, 2);
    EXPECT_EQ(mendrel({QStringLiteral("--wait"), QStringLiteral("5")}).code, 2); // refused, not a window
    // A server that cannot be reached is a failure, not "nothing new".
    m_server.stop();
    const Outcome r = mendrel({QStringLiteral("--check"), QStringLiteral("Orvana")});
    EXPECT_EQ(r.code, 1) << r.err.toStdString();
}

TEST_F(Unattended, ARunningProgramStopsTheUpdateOrIsWaitedFor)
{
    publish("#!/bin/sh\necho updated\n", m_key);
    QProcess holder;
    holder.start(QStringLiteral(BEACON_HOLDER), {QStringLiteral("Orvana")});
    ASSERT_TRUE(holder.waitForReadyRead(10000));
    ASSERT_EQ(holder.readAll().trimmed(), "held");

    Outcome r = mendrel({QStringLiteral("--update"), QStringLiteral("Orvana")});
    EXPECT_EQ(r.code, 3) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(QStringLiteral("Please close Orvana"))) << r.err.toStdString();
    r = mendrel({QStringLiteral("--update"), QStringLiteral("Orvana"), QStringLiteral("--wait"),
                 QStringLiteral("1")});
    EXPECT_EQ(r.code, 3) << r.err.toStdString();
    EXPECT_GE(r.ms, 1000);
    EXPECT_EQ(retrievals(), 0);
    EXPECT_EQ(read(parts() + QStringLiteral("/orvana")), "#!/bin/sh\necho old\n");

    // Closed while the command waits: the update goes ahead.
    QProcess waiting;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("DISPLAY"));
    waiting.setProcessEnvironment(env);
    waiting.start(m_exe, {QStringLiteral("--update"), QStringLiteral("Orvana"), QStringLiteral("--wait=60")});
    ASSERT_TRUE(waiting.waitForStarted());
    ASSERT_TRUE(waitUntil([&] { return logBytes().contains("Unattended update of Orvana in"); }, 10000));
    holder.kill();
    holder.waitForFinished();
    ASSERT_TRUE(waiting.waitForFinished(60000));
    EXPECT_EQ(waiting.exitCode(), 0) << waiting.readAllStandardError().toStdString();
    EXPECT_EQ(read(parts() + QStringLiteral("/orvana")), "#!/bin/sh\necho updated\n");
}

TEST_F(Unattended, CheckAndIfNewerCompareWithTheLastPackageApplied)
{
    checkFollowsTheLastPackageApplied();
}

TEST_F(Unattended, ADownloadCutOffEarlierIsResumed)
{
    keptPartIsResumed();
}

TEST_F(Unattended, NoPackageOnTheServerIsNothingToCheckAndAFailedUpdate)
{
    missingPackage();
}

// Passive here (vsftpd's EPSV answer on loopback), active (EPRT) in the other tests.
TEST_F(UnattendedVsftpd, SignedPackageIsAppliedInPassiveModeAndTheProgramStillRuns)
{
    Reg::SaveAppSetting(QStringLiteral("OPTION_PASSIVE"), QStringLiteral("1"));
    ASSERT_NO_FATAL_FAILURE(signedPackageIsApplied());
    const QStringList commands = m_server.commands();
    EXPECT_FALSE(commands.filter(QStringLiteral("EPSV")).isEmpty()) << commands.join(u'\n').toStdString();
    EXPECT_TRUE(commands.filter(QStringLiteral("EPRT")).isEmpty()) << commands.join(u'\n').toStdString();
    EXPECT_TRUE(commands.filter(QStringLiteral("PORT")).isEmpty()) << commands.join(u'\n').toStdString();
    // Right after it, the server has nothing newer.
    const Outcome r = mendrel({QStringLiteral("--check"), QStringLiteral("Orvana")});
    EXPECT_EQ(r.code, 4) << r.err.toStdString();
}

TEST_F(UnattendedVsftpd, RefusedSignatureFailsAndLeavesTheFolderAsItWas)
{
    refusedSignatureLeavesTheFolder();
}

TEST_F(UnattendedVsftpd, CheckAndIfNewerFollowTheServersSizeAndTime)
{
    checkFollowsTheLastPackageApplied();
}

TEST_F(UnattendedVsftpd, ADownloadCutOffEarlierIsResumed)
{
    keptPartIsResumed();
}

TEST_F(UnattendedVsftpd, NoPackageOnTheServerIsNothingToCheckAndAFailedUpdate)
{
    missingPackage();
}

TEST(LastPackageRecord, KeepsOneLinePerPackageAndReadsServerTimes)
{
    TestEnv env;
    const QString folder = env.path(QStringLiteral("p"));
    QDir().mkpath(folder);
    EXPECT_FALSE(LastPackage::read(folder, kPackage));
    ASSERT_TRUE(LastPackage::record(folder, kPackage, {10, 100}));
    ASSERT_TRUE(LastPackage::record(folder, QStringLiteral("mendrel.zip"), {20, 200}));
    ASSERT_TRUE(LastPackage::record(folder, kPackage, {11, 101}));
    EXPECT_EQ(LastPackage::read(folder, QStringLiteral("MENDRELPARTS.ZIP"))->size, 11);
    EXPECT_EQ(LastPackage::read(folder, QStringLiteral("mendrel.zip"))->time, 200);
    // Not known is never "the same": a doubt updates.
    EXPECT_FALSE(PackageFacts({11, -1}).sameAs({11, -1}));
    EXPECT_TRUE(PackageFacts({11, 101}).sameAs({11, 101}));

    EXPECT_EQ(LastPackage::parseMdtmReply(QStringLiteral("213 20240501123000")), 1714566600);
    EXPECT_EQ(LastPackage::parseMdtmReply(QStringLiteral("213 20240501123000.250")), 1714566600);
    EXPECT_EQ(LastPackage::parseMdtmReply(QStringLiteral("550 No such file")), -1);
    EXPECT_EQ(LastPackage::parseMdtmReply(QStringLiteral("213 soon")), -1);
}
