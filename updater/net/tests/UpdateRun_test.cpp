// SPDX-License-Identifier: MIT
#include "common/core/modRegistry.h"
#include "updater/core/modService.h"
#include "updater/core/testsupport/MinisignKey.h"
#include "updater/core/testsupport/UpdaterFixture.h"
#include "updater/net/UpdateRun.h"
#include "updater/net/testsupport/FtpTestServer.h"

#include <QDir>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTest>

// Whole updates, without a window, against the real test FTP server: what the run shows,
// logs and leaves on disk.
namespace {

struct RecordingRunView final : UpdateRunView {
    bool busy = false;
    bool updateEnabled = true;
    bool cancelCaption = false;
    bool hourglass = false;
    int progressStarts = 0;
    QStringList statusTexts;
    QStringList labels;
    struct Report {
        qint64 bytes;
        qint32 total;
        int elapsed;
    };
    QList<Report> progress;
    void ShowBusy() override { busy = true; }
    void ShowNotBusy() override
    {
        busy = false;
        updateEnabled = true;
        hourglass = false;
    }
    void EnableUpdate(bool enabled) override { updateEnabled = enabled; }
    void SetStatusText(const QString &t) override { statusTexts << t; }
    void SetStatusLabel(const QString &t) override { labels << t; }
    void setUpdateCaption(bool cancel) override { cancelCaption = cancel; }
    void setHourglass(bool on) override { hourglass = on; }
    void startProgress() override { ++progressStarts; }
    void showProgress(qint64 bytes, qint32 total, int elapsed) override
    {
        progress << Report{bytes, total, elapsed};
    }
};

} // namespace

class UpdateRunTest : public UpdaterTest {
protected:
    UpdateRunTest()
    {
        // Long enough that a log-on under a sanitizer never trips the watchdog by accident.
        timings().watchdogTickMs = 200;
    }

    void startServer(FtpTestServer &server)
    {
        const auto started = server.start();
        ASSERT_TRUE(started) << started.error().message.toStdString();
        Reg::SaveAppSetting(QStringLiteral("UPDATE_HOST"), server.address());
    }

    // A package whose process file copies one file into a sub-folder of the target.
    QString publish(FtpTestServer &server, const QByteArray &program = "new program")
    {
        QString zip = m_env.path(QStringLiteral("mendrelparts.zip"));
        makeZip(zip, {{QStringLiteral("mendrelparts.INI"),
                       "- parts update\r\n1|new/orvana.bin|lib/orvana.bin\r\n"},
                      {QStringLiteral("new/orvana.bin"), program}});
        server.putFile(QStringLiteral("mendrelparts.zip"), read(zip));
        return zip;
    }

    // Starts a run and waits for its end: idle, and the farewell's completion logged
    // when the download got that far.
    void runToItsEnd(UpdateRun &run)
    {
        ASSERT_TRUE(run.start(QStringLiteral("mendrelparts.zip")));
        EXPECT_TRUE(run.busy());
        ASSERT_TRUE(waitUntil([&] { return !run.busy() && !run.processing(); }, 20000))
            << m_ui.messages().size();
        QTest::qWait(50); // the disconnect's completion, when there is one
    }

    QStringList messageTexts() const
    {
        QStringList out;
        for (const auto &c : m_ui.messages())
            out << c.text;
        return out;
    }

    // The entries of the log in the order given, others between them allowed.
    ::testing::AssertionResult logInOrder(const QStringList &wanted) const
    {
        const QStringList entries = logEntries();
        qsizetype at = 0;
        for (const QString &w : wanted) {
            while (at < entries.size() && entries[at] != w)
                ++at;
            if (at == entries.size())
                return ::testing::AssertionFailure()
                       << "missing or out of order: " << w.toStdString() << "\nlog:\n"
                       << entries.join(u'\n').toStdString();
            ++at;
        }
        return ::testing::AssertionSuccess();
    }

    RecordingRunView m_view;
};

TEST_F(UpdateRunTest, DownloadsInTheDesignedOrderAndHandsThePackageToProcessing)
{
    FtpTestServer server;
    startServer(server);
    publish(server);
    const qint64 size = QFileInfo(server.serverFolder() + QStringLiteral("/mendrelparts.zip")).size();
    UpdateRun run(&m_view);
    QSignalSpy processed(&run, &UpdateRun::processingEnded);
    ASSERT_TRUE(run.start(QStringLiteral("mendrelparts.zip")));
    EXPECT_TRUE(m_view.busy);
    EXPECT_TRUE(m_view.cancelCaption);
    EXPECT_TRUE(m_view.hourglass);
    EXPECT_FALSE(m_view.updateEnabled); // until logged on
    // A cancel click with another program chosen moves the global, not this run's package.
    const QString chosen = g_TargetFolder;
    g_TargetFolder = m_env.path(QStringLiteral("elsewhere"));
    ASSERT_TRUE(waitUntil([&] { return !run.busy() && processed.size() == 1; }, 20000))
        << messageTexts().join(u'|').toStdString();
    EXPECT_TRUE(waitUntil([&] { return logHas(QStringLiteral("FTP TAG: Complete")); }));

    EXPECT_EQ(read(chosen + QStringLiteral("/lib/orvana.bin")), QByteArray("new program"));
    EXPECT_FALSE(exists(chosen + QStringLiteral("/mendrelparts.zip")));
    EXPECT_EQ(g_TargetFolder, chosen);
    EXPECT_FALSE(g_UpdateError);
    EXPECT_TRUE(messageTexts().isEmpty()) << messageTexts().join(u'|').toStdString();

    const QStringList designed{QStringLiteral("Connecting to server ....."),
                               QStringLiteral("Connecting to host ..."),
                               QStringLiteral("Logging on to host ..."),
                               QStringLiteral("Getting mendrelparts.zip file size now ..."),
                               QStringLiteral("Size of: mendrelparts.zip is %1").arg(size),
                               QStringLiteral("Downloading mendrelparts.zip now ..."),
                               QStringLiteral("File transfer complete!")};
    QStringList seen;
    for (const QString &t : std::as_const(m_view.statusTexts))
        if (designed.contains(t))
            seen << t;
    EXPECT_EQ(seen, designed) << m_view.statusTexts.join(u'|').toStdString();
    EXPECT_TRUE(logInOrder(
        {QStringLiteral("FTP: File Is Available: mendrelparts.zip (Size = %1)").arg(size),
         QStringLiteral("FTP: Begin Download Now: mendrelparts.zip to %1/mendrelparts.zip").arg(chosen),
         QStringLiteral("FTP: Download Complete: mendrelparts.zip"),
         QStringLiteral("Signature: not checked (no update key configured)")}));
    EXPECT_TRUE(logHas(QStringLiteral("FTP TAG: Complete")));

    // The progress ends at the whole package, against the size the server gave, with the
    // elapsed counter started at 1.
    EXPECT_EQ(m_view.progressStarts, 1);
    ASSERT_FALSE(m_view.progress.isEmpty());
    EXPECT_EQ(m_view.progress.last().bytes, size);
    EXPECT_EQ(m_view.progress.last().total, size);
    EXPECT_GE(m_view.progress.first().elapsed, 1);
    EXPECT_EQ(run.totalBytes(), size);
    EXPECT_FALSE(m_view.cancelCaption);
    EXPECT_FALSE(m_view.busy);
    EXPECT_EQ(run.asyncErrorCount(), 0);
    EXPECT_EQ(m_ui.callsOf(QStringLiteral("open")).size(), 0); // nothing failed: the log stays shut
}

TEST_F(UpdateRunTest, ASignedPackageIsCheckedAndOneSignedByAnotherKeyRefused)
{
    MinisignKey key(m_env.root(), QStringLiteral("publisher"));
    MinisignKey other(m_env.root(), QStringLiteral("other"));
    ASSERT_TRUE(key.ok() && other.ok()) << key.error().toStdString() << other.error().toStdString();
    Reg::SaveAppSetting(QStringLiteral("UPDATE_PUBKEY"), key.publicKey());
    FtpTestServer server;
    startServer(server);

    for (const MinisignKey *signer : {&key, &other}) {
        const bool good = signer == &key;
        QDir(target()).removeRecursively();
        QDir().mkpath(target());
        modService::ResetLog();
        m_ui.clear();
        const QString zip = publish(server);
        ASSERT_TRUE(signer->sign(zip)) << signer->error().toStdString();
        server.putFile(QStringLiteral("mendrelparts.zip.minisig"), read(zip + QStringLiteral(".minisig")));

        UpdateRun run(&m_view);
        QSignalSpy processed(&run, &UpdateRun::processingEnded);
        runToItsEnd(run);
        EXPECT_TRUE(
            server.commands().contains(QStringLiteral("RETR ") + QStringLiteral("/vantelo_com/web/download/"
                                                                                "mendrelparts.zip.minisig")))
            << server.commands().join(u',').toStdString();
        EXPECT_TRUE(logHas(QStringLiteral("FTP: Download Complete: mendrelparts.zip.minisig")));
        EXPECT_FALSE(exists(inTarget(QStringLiteral("mendrelparts.zip.minisig")))) << good;
        EXPECT_FALSE(exists(inTarget(QStringLiteral("mendrelparts.zip")))) << good;
        if (good) {
            EXPECT_EQ(processed.size(), 1);
            EXPECT_EQ(read(inTarget(QStringLiteral("lib/orvana.bin"))), QByteArray("new program"));
            EXPECT_EQ(logEntries().filter(QStringLiteral("Signature: good, key ")).size(), 1);
            EXPECT_TRUE(messageTexts().isEmpty()) << messageTexts().join(u'|').toStdString();
            EXPECT_FALSE(g_UpdateError);
        } else {
            EXPECT_EQ(processed.size(), 0);
            EXPECT_FALSE(exists(inTarget(QStringLiteral("lib/orvana.bin"))));
            EXPECT_EQ(messageTexts(),
                      QStringList{QStringLiteral(
                          "The update package mendrelparts.zip is not signed by the expected key.")});
            EXPECT_EQ(m_view.labels.value(m_view.labels.size() - 1), messageTexts().value(0));
            EXPECT_EQ(logEntries()
                          .filter(QStringLiteral("Package signature refused for mendrelparts.zip: "))
                          .size(),
                      1);
            EXPECT_FALSE(logHas(QStringLiteral("Begin Process File")));
            EXPECT_EQ(m_ui.callsOf(QStringLiteral("open")).size(), 1); // the log, for the details
            EXPECT_TRUE(g_UpdateError);
        }
        EXPECT_FALSE(m_view.busy);
    }
}

TEST_F(UpdateRunTest, ARefusedConnectionIsReportedCountedAndEndsIdle)
{
    Reg::SaveAppSetting(QStringLiteral("UPDATE_HOST"),
                        QStringLiteral("127.0.0.1:%1").arg(FtpTestServer::refusedPort()));
    UpdateRun run(&m_view);
    runToItsEnd(run);
    EXPECT_EQ(messageTexts(), QStringList{QStringLiteral("Unable to connect to server.   Please try later")});
    EXPECT_EQ(m_ui.messages().value(0).icon, MsgIcon::Critical);
    // Logged with the tag the cancel set, as designed.
    EXPECT_EQ(logEntries().filter(QStringLiteral("Async Error #: 20605 - ")).size(), 1);
    EXPECT_TRUE(logEntries()
                    .filter(QStringLiteral("Async Error #: 20605 - "))
                    .value(0)
                    .endsWith(QStringLiteral(" - Tag: --")))
        << logEntries().join(u'\n').toStdString();
    EXPECT_EQ(run.asyncErrorCount(), 1);
    EXPECT_EQ(run.lastAsyncError(), 20605);
    EXPECT_TRUE(g_UpdateError);
    EXPECT_FALSE(m_view.busy);
    EXPECT_FALSE(m_view.cancelCaption);
    EXPECT_TRUE(m_view.updateEnabled);
}

TEST_F(UpdateRunTest, TheWatchdogGivesUpAfterNinetyTicksWithoutALogOn)
{
    FtpTestServer server(FtpTestServer::Mode::Silent);
    startServer(server);
    timings().watchdogTickMs = 5;
    UpdateRun run(&m_view);
    QSignalSpy gaveUp(&run, &UpdateRun::gaveUp);
    ASSERT_TRUE(run.start(QStringLiteral("mendrelparts.zip")));
    ASSERT_TRUE(gaveUp.wait(20000));
    EXPECT_EQ(run.connectTicks(), 90);
    EXPECT_EQ(m_view.statusTexts.filter(QStringLiteral("Connecting to host .....")).size(), 90);
    EXPECT_TRUE(m_view.statusTexts.contains(QStringLiteral("Connecting to host .....1")));
    EXPECT_EQ(m_view.statusTexts.last(), QStringLiteral("Connecting to host .....90"));
    ASSERT_EQ(m_ui.messages().size(), 1);
    EXPECT_EQ(m_ui.messages()[0].title, QStringLiteral("Connect Error"));
    EXPECT_EQ(m_ui.messages()[0].text, QStringLiteral("Unable to connect to host ... please try later"));
    EXPECT_EQ(m_ui.messages()[0].icon, MsgIcon::Critical);
    // Given up for good: no later tick, no report from the aborted session.
    QTest::qWait(100);
    EXPECT_EQ(run.connectTicks(), 90);
    EXPECT_EQ(gaveUp.size(), 1);
    EXPECT_EQ(m_ui.messages().size(), 1);
}

TEST_F(UpdateRunTest, ASizeOfZeroDownloadsWithoutTheLengthCheckAndShowsATotalOfOne)
{
    FtpTestServer server;
    server.setSizeReply(QStringLiteral("213 0"));
    startServer(server);
    publish(server);
    UpdateRun run(&m_view);
    QSignalSpy processed(&run, &UpdateRun::processingEnded);
    runToItsEnd(run);
    EXPECT_EQ(processed.size(), 1) << messageTexts().join(u'|').toStdString();
    EXPECT_EQ(read(inTarget(QStringLiteral("lib/orvana.bin"))), QByteArray("new program"));
    EXPECT_TRUE(logInOrder({QStringLiteral("FTP: File Is Available: mendrelparts.zip (Size = 0)"),
                            QStringLiteral("FTP: Size not known: mendrelparts.zip is downloaded without the "
                                           "length check (reply: 213 0)"),
                            QStringLiteral("FTP: Download Complete: mendrelparts.zip")}));
    EXPECT_TRUE(m_view.statusTexts.contains(QStringLiteral("Size of: mendrelparts.zip is 0")));
    ASSERT_FALSE(m_view.progress.isEmpty());
    for (const auto &r : std::as_const(m_view.progress))
        EXPECT_EQ(r.total, 1);
    EXPECT_FALSE(g_UpdateError);
}

TEST_F(UpdateRunTest, ACancelWhileDownloadingDisconnectsAndEndsIdleWithoutTheFile)
{
    FtpTestServer server;
    server.setRate(64 * 1024);
    startServer(server);
    server.putFile(QStringLiteral("mendrelparts.zip"), qint64(4 * 1024 * 1024));
    UpdateRun run(&m_view);
    QSignalSpy processed(&run, &UpdateRun::processingEnded);
    ASSERT_TRUE(run.start(QStringLiteral("mendrelparts.zip")));
    ASSERT_TRUE(waitUntil([&] { return run.downloading() && !m_view.progress.isEmpty(); }, 20000));
    run.cancel();
    EXPECT_EQ(m_view.statusTexts.last(), QStringLiteral("Disconnecting fom host ..."));
    EXPECT_EQ(m_view.labels.last(), QStringLiteral("Please wait.  Disconnecting from host ..."));
    EXPECT_FALSE(m_view.cancelCaption);
    ASSERT_TRUE(waitUntil([&] { return logHas(QStringLiteral("FTP TAG: CANCEL")); }));
    EXPECT_FALSE(run.busy());
    EXPECT_FALSE(m_view.busy);
    EXPECT_EQ(processed.size(), 0);
    EXPECT_FALSE(exists(inTarget(QStringLiteral("mendrelparts.zip"))));
    EXPECT_FALSE(exists(inTarget(QStringLiteral("mendrelparts.zip.part"))));
    EXPECT_TRUE(messageTexts().isEmpty()) << messageTexts().join(u'|').toStdString();
}
