// SPDX-License-Identifier: MIT
#include "UpdaterWindowFixture.h"
#include "common/core/AppInfo.h"
#include "common/core/HtmlHelpEngine.h"
#include "common/core/PresenceBeacon.h"
#include "common/core/modRegistry.h"
#include "common/ui/modHHSubclass.h"
#include "updater/core/PackageProcessor.h"
#include "updater/core/UpdateBackup.h"
#include "updater/core/modService.h"
#include "updater/core/testsupport/UpdaterFixture.h"
#include "updater/net/FtpSession.h"
#include "updater/net/testsupport/FtpTestServer.h"
#include "updater/ui/RollbackCommand.h"
#include "updater/ui/TransferText.h"
#include "updater/ui/frmMain.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>
#include <QTextStream>
#include <QTimer>

TEST_F(UpdaterWindow, DiscoveryOrderSelectionAndFolders)
{
    const QString dunmore = m_env.path(QStringLiteral("dunmore"));
    setFrontEnd("Dunmore", dunmore);
    write(programFolder() + QStringLiteral("/carvell"), "exe"); // beside the updater, lower case, no .EXE
    setFrontEnd("Carvell", QStringLiteral("C:\\"));             // 3 characters: treated as absent
    frmMain w;
    EXPECT_EQ(listed(w),
              (QStringList{QStringLiteral("Dunmore"), QStringLiteral("Carvell"), QStringLiteral("Orvana")}));
    EXPECT_EQ(child<QListWidget>(w, "lstPrograms")->currentItem()->text(), QStringLiteral("Orvana"));
    EXPECT_EQ(label(w, "lblStatus"), parts());
    EXPECT_EQ(w.program(ProgramDiscovery::Carvell).folder, programFolder());
    EXPECT_EQ(w.program(ProgramDiscovery::Dunmore).folder, dunmore);
    EXPECT_EQ(modHHSubclass::applicationHelpFile(), programFolder() + QStringLiteral("/Carvell.CHM"));
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Vantelo Update %1.%2   Build %3")
                                   .arg(AppInfo::kMajor)
                                   .arg(AppInfo::kMinor)
                                   .arg(AppInfo::kRevision));
    EXPECT_EQ(label(w, "SBPanel1"), QStringLiteral("Ready ..."));

    child<QListWidget>(w, "lstPrograms")->setCurrentRow(0);
    EXPECT_EQ(label(w, "lblStatus"), dunmore);
}

TEST_F(UpdaterWindow, HelpContentsOpensCarvellsHelpAtItsTopic)
{
    const QString carvell = m_env.path(QStringLiteral("carvell"));
    setFrontEnd("Carvell", carvell);
    write(carvell + QStringLiteral("/carvell.chm"), "help"); // found in any letter case
    frmMain w;
    HtmlHelpEngine::clearCalls();
    child<QAction>(w, "mnuHelpContents")->trigger();
    ASSERT_EQ(HtmlHelpEngine::calls().size(), 1);
    EXPECT_EQ(HtmlHelpEngine::calls()[0].target, carvell + QStringLiteral("/carvell.chm>Main"));
    EXPECT_EQ(HtmlHelpEngine::calls()[0].command, HtmlHelpEngine::HH_HELP_CONTEXT);
    EXPECT_EQ(HtmlHelpEngine::calls()[0].data, 1040u);
    ASSERT_EQ(m_ui.callsOf(QStringLiteral("open")).size(), 1);
    EXPECT_EQ(m_ui.callsOf(QStringLiteral("open"))[0].text, carvell + QStringLiteral("/carvell.chm"));
}

TEST_F(UpdaterWindow, ProgramsNotInstalledAreNotListedButKeepTheirFolders)
{
    setFrontEnd("ORVANA", QStringLiteral("   "));
    write(programFolder() + QStringLiteral("/KELDON.EXE"), "exe"); // only Carvell is looked for here
    frmMain w;
    EXPECT_TRUE(listed(w).isEmpty());
    EXPECT_EQ(label(w, "lblStatus"), QStringLiteral("."));
    EXPECT_EQ(w.program(ProgramDiscovery::Dunmore).folder,
              m_env.installedFolder() + QStringLiteral("/Dunmore"));
    EXPECT_EQ(w.program(ProgramDiscovery::Orvana).folder, m_env.installedFolder() + QStringLiteral("/Parts"));

    clickUpdate(w); // nothing to update: reported, no question asked
    ASSERT_EQ(m_ui.messages().size(), 1);
    EXPECT_EQ(m_ui.messages()[0].text, QStringLiteral("Application not recognized: \nUpdate aborted."));
    EXPECT_TRUE(logHas(QStringLiteral("Application not recognized: \nUpdate aborted.")));
}

// The default folders lie under the installed folder, which the test owns: a program
// there is listed, whatever this machine has installed in the real one.
TEST_F(UpdaterWindow, ProgramsInTheDefaultFoldersAreListed)
{
    setFrontEnd("ORVANA", QString());
    write(m_env.installedFolder() + QStringLiteral("/Parts/orvana"), "exe");
    write(m_env.installedFolder() + QStringLiteral("/Dunmore/KELDON.EXE"), "exe");
    frmMain w;
    EXPECT_EQ(listed(w), (QStringList{QStringLiteral("Dunmore"), QStringLiteral("Orvana")}));
    EXPECT_EQ(w.program(ProgramDiscovery::Orvana).folder, m_env.installedFolder() + QStringLiteral("/Parts"));
    EXPECT_EQ(w.program(ProgramDiscovery::Carvell).folder,
              m_env.installedFolder() + QStringLiteral("/Carvell"));
}

TEST_F(UpdaterWindow, PassiveOptionTextsAndStoredValue)
{
    for (const char *stored : {"0", "", "yes"}) {
        Reg::SaveAppSetting(QStringLiteral("OPTION_PASSIVE"), QLatin1String(stored));
        frmMain w;
        EXPECT_FALSE(child<QAction>(w, "mnuPassive")->isChecked()) << stored;
    }
    Reg::SaveAppSetting(QStringLiteral("OPTION_PASSIVE"), QStringLiteral("1"));
    frmMain w;
    auto *passive = child<QAction>(w, "mnuPassive");
    EXPECT_TRUE(passive->isChecked());
    passive->trigger();
    EXPECT_FALSE(passive->isChecked());
    EXPECT_EQ(label(w, "SBPanel1"), QStringLiteral("Passive File Transfer Mode = OFF"));
    EXPECT_EQ(Reg::GetAppSetting(QStringLiteral("OPTION_PASSIVE")), QStringLiteral("0"));
    passive->trigger();
    EXPECT_EQ(label(w, "SBPanel1"), QStringLiteral("Passive File Transfer Mode = ON"));
    EXPECT_EQ(Reg::GetAppSetting(QStringLiteral("OPTION_PASSIVE")), QStringLiteral("1"));
}

TEST_F(UpdaterWindow, SupportPackageNumbersAreCheckedBeforeTheQuestion)
{
    frmMain w;
    auto *package = child<QAction>(w, "mnuPackage");
    m_ui.answers = {MsgAnswer::No};
    package->trigger();
    EXPECT_FALSE(package->isChecked());
    ASSERT_EQ(m_ui.messages().size(), 1);
    EXPECT_EQ(m_ui.messages()[0].title, QStringLiteral("Update With Support Package"));
    EXPECT_TRUE(m_ui.messages()[0].helpButton);

    m_ui.answers = {MsgAnswer::Yes};
    package->trigger();
    EXPECT_TRUE(package->isChecked());
    EXPECT_FALSE(child<QLineEdit>(w, "txtPackage")->isHidden());
    EXPECT_EQ(label(w, "lblStatus"), QStringLiteral("Please enter a PACKAGE NUMBER before updating"));

    m_ui.clear();
    clickUpdate(w);
    for (const char *bad : {"1000000", "abc", "0", "4294967296"}) {
        child<QLineEdit>(w, "txtPackage")->setText(QLatin1String(bad));
        clickUpdate(w);
    }
    const QStringList texts = messageTexts();
    ASSERT_EQ(texts.size(), 5);
    EXPECT_EQ(texts[0],
              QStringLiteral("You have enabled download of a Support Package but have not entered a "
                             "package number."));
    for (int i = 1; i < 5; ++i)
        EXPECT_EQ(texts[i], QStringLiteral("Invalid package number."));
    EXPECT_EQ(m_ui.messages()[1].title, QStringLiteral("Abort Update"));

    m_ui.clear();
    package->trigger(); // unchecking asks nothing
    EXPECT_FALSE(package->isChecked());
    EXPECT_TRUE(m_ui.messages().isEmpty());
    EXPECT_TRUE(child<QLineEdit>(w, "txtPackage")->isHidden());
}

TEST_F(UpdaterWindow, SupportPackageIsFetchedIntoTheUpdatersFolder)
{
    FtpTestServer server;
    startServer(server);
    const QString zip = m_env.path(QStringLiteral("42.ZIP"));
    makeZip(zip, {{QStringLiteral("42.INI"), "1|fix.txt|fix.txt\r\n"}, {QStringLiteral("fix.txt"), "fixed"}});
    server.putFile(QStringLiteral("42.ZIP"), read(zip));
    frmMain w;
    m_ui.answers = {MsgAnswer::Yes, MsgAnswer::Yes}; // support package warning, Internet question
    child<QAction>(w, "mnuPackage")->trigger();
    child<QLineEdit>(w, "txtPackage")->setText(QStringLiteral(" 42 "));
    clickUpdate(w);
    ASSERT_TRUE(waitUntil([&] { return logHas(QStringLiteral("End Process File")); }, 20000));
    EXPECT_EQ(read(programFolder() + QStringLiteral("/fix.txt")), QByteArray("fixed"));
    EXPECT_FALSE(exists(programFolder() + QStringLiteral("/42.ZIP")));
}

TEST_F(UpdaterWindow, FullUpdateThroughProcessingInBothTransferModes)
{
    FtpTestServer server;
    startServer(server);
    putPartsPackage(server);
    for (bool passive : {true, false}) {
        QFile::remove(parts() + QStringLiteral("/lib/orvana.bin"));
        Reg::SaveAppSetting(QStringLiteral("OPTION_PASSIVE"),
                            passive ? QStringLiteral("1") : QStringLiteral("0"));
        modService::ResetLog();
        m_ui.clear();
        frmMain w;
        m_ui.answers = {MsgAnswer::Yes};
        clickUpdate(w);
        EXPECT_EQ(m_ui.messages().value(0).text, QStringLiteral("Are you connected to the Internet?"));
        EXPECT_EQ(m_ui.messages().value(0).helpTopic, 1010);
        EXPECT_TRUE(w.busy());
        ASSERT_TRUE(completes(w)) << passive;
        EXPECT_EQ(read(parts() + QStringLiteral("/lib/orvana.bin")), QByteArray("new program"));
        EXPECT_FALSE(exists(parts() + QStringLiteral("/mendrelparts.zip")));
        EXPECT_TRUE(
            logHas(QStringLiteral("FTP: File Is Available: mendrelparts.zip (Size = %1)")
                       .arg(QFileInfo(server.serverFolder() + QStringLiteral("/mendrelparts.zip")).size())));
        EXPECT_TRUE(logHas(QStringLiteral("FTP: Download Complete: mendrelparts.zip")));
        EXPECT_TRUE(waitUntil([&] { return logHas(QStringLiteral("FTP TAG: Complete")); }));
        EXPECT_TRUE(idle(w));
        EXPECT_EQ(m_ui.callsOf(QStringLiteral("open")).size(), 0); // nothing failed: the log stays shut
        const QStringList commands = server.commands();
        EXPECT_EQ(commands.contains(QStringLiteral("PORT")) ||
                      commands.filter(QStringLiteral("EPRT")).size() > 0,
                  !passive)
            << commands.join(u',').toStdString();
    }
}

// A size reply that announces nothing usable (0, or no number) shows T = 1 and downloads
// without the length check, logged; an announced size is still held to.
TEST_F(UpdaterWindow, ASizeOfZeroOrUnreadableDownloadsWithoutTheLengthCheck)
{
    for (const char *reply : {"213 0", "213 unknown"}) {
        FtpTestServer server;
        server.setSizeReply(QLatin1String(reply));
        startServer(server);
        putPartsPackage(server);
        QFile::remove(parts() + QStringLiteral("/lib/orvana.bin"));
        modService::ResetLog();
        m_ui.clear();
        frmMain w;
        m_ui.answers = {MsgAnswer::Yes};
        clickUpdate(w);
        ASSERT_TRUE(completes(w)) << reply << " " << messageTexts().join(u'|').toStdString();
        EXPECT_EQ(read(parts() + QStringLiteral("/lib/orvana.bin")), QByteArray("new program")) << reply;
        EXPECT_TRUE(logHas(QStringLiteral("FTP: File Is Available: mendrelparts.zip (Size = 0)"))) << reply;
        EXPECT_TRUE(logHas(QStringLiteral("FTP: Size not known: mendrelparts.zip is downloaded without the "
                                          "length check (reply: %1)")
                               .arg(QLatin1String(reply))))
            << reply;
        EXPECT_FALSE(g_UpdateError) << reply;
    }

    FtpTestServer lying;
    lying.setSizeReply(QStringLiteral("213 99999"));
    startServer(lying);
    putPartsPackage(lying);
    modService::ResetLog();
    m_ui.clear();
    frmMain w;
    m_ui.answers = {MsgAnswer::Yes};
    clickUpdate(w);
    ASSERT_TRUE(waitUntil([&] { return m_ui.messages().size() > 1 && idle(w); }, 20000));
    EXPECT_TRUE(messageTexts().join(u'|').contains(QStringLiteral("Async Error #: 20609 - ")))
        << messageTexts().join(u'|').toStdString();
    EXPECT_TRUE(messageTexts().join(u'|').contains(QStringLiteral(" of 99999 bytes")))
        << messageTexts().join(u'|').toStdString();
    EXPECT_TRUE(g_UpdateError);
    EXPECT_FALSE(exists(parts() + QStringLiteral("/mendrelparts.zip")));
}

TEST_F(UpdaterWindow, AnUpdateRollsBackFromTheCommandLineAndDebrisGoesAtStart)
{
    write(parts() + QStringLiteral("/lib/orvana.bin"), "old program");
    write(parts() + QStringLiteral("/ORVANA.MDB"), "parts");
    const QMap<QString, QByteArray> before = treeOf(parts());
    FtpTestServer server;
    startServer(server);
    putPartsPackage(server);
    {
        frmMain w;
        m_ui.answers = {MsgAnswer::Yes};
        clickUpdate(w);
        ASSERT_TRUE(completes(w));
    }
    EXPECT_EQ(read(parts() + QStringLiteral("/lib/orvana.bin")), "new program");

    QString out;
    QTextStream stream(&out);
    EXPECT_EQ(RollbackCommand::run(QStringLiteral("Nobody"), stream), 2);
    EXPECT_EQ(RollbackCommand::run(QStringLiteral("Orvana"), stream), 0) << out.toStdString();
    EXPECT_EQ(treeOf(parts()), before);
    EXPECT_TRUE(
        out.contains(QStringLiteral("Rollback: restored ") + parts() + QStringLiteral("/lib/orvana.bin")));
    EXPECT_TRUE(logHas(QStringLiteral("Rollback complete: ") + parts()));
    EXPECT_EQ(RollbackCommand::run(QStringLiteral("orvana"), stream), 1); // nothing left to roll back

    // What a killed updater left is cleared at the next start, and said so.
    write(parts() + QStringLiteral("/.vantelo-staging-k1LLed/1"), "staged");
    write(parts() + QStringLiteral("/lib/.vantelo-copy-Q1w2E3"), "half");
    frmMain w;
    EXPECT_EQ(treeOf(parts()), before);
    EXPECT_TRUE(logHas(QStringLiteral("Removed what an interrupted update left: ") + parts() +
                       QStringLiteral("/.vantelo-staging-k1LLed")));
}

// An update whose updater died half-way: the old program file replaced, a new file added,
// and no end. The next start of the window undoes it and says so; a rollback then takes
// the update applied before it, not the interrupted one.
TEST_F(UpdaterWindow, AnInterruptedUpdateIsUndoneAtStartAndNeverTakenForTheLastOne)
{
    write(parts() + QStringLiteral("/lib/orvana.bin"), "v1");
    write(parts() + QStringLiteral("/ORVANA.MDB"), "parts");
    const QMap<QString, QByteArray> v1 = treeOf(parts());
    makeZip(parts() + QStringLiteral("/p.zip"), {{QStringLiteral("lib/orvana.bin"), "v2"}});
    ASSERT_TRUE(PackageProcessor::processPackage(parts(), QStringLiteral("p.zip")));
    const QMap<QString, QByteArray> v2 = treeOf(parts());
    m_ui.clear();
    {
        UpdateBackup dying(parts());
        ASSERT_TRUE(dying.beginJournal());
        ASSERT_TRUE(dying.keep(parts() + QStringLiteral("/lib/orvana.bin")));
        write(parts() + QStringLiteral("/lib/v3"), "v3");
        ASSERT_EQ(::rename(QFile::encodeName(parts() + QStringLiteral("/lib/v3")).constData(),
                           QFile::encodeName(parts() + QStringLiteral("/lib/orvana.bin")).constData()),
                  0);
        ASSERT_TRUE(dying.added(parts() + QStringLiteral("/lib/added.bin")));
        write(parts() + QStringLiteral("/lib/added.bin"), "v3");
    }
    {
        frmMain w;
        EXPECT_EQ(treeOf(parts()), v2);
        EXPECT_TRUE(logHas(QStringLiteral("Interrupted update of %1 undone: 1 files put back").arg(parts())));
        EXPECT_EQ(messageTexts(),
                  QStringList{QStringLiteral("The last update of %1 was interrupted. It has been undone: the "
                                             "program is as it was before that update (files put back: 1).")
                                  .arg(parts())});
    }
    QString out;
    QTextStream stream(&out);
    EXPECT_EQ(RollbackCommand::run(QStringLiteral("Orvana"), stream), 0) << out.toStdString();
    EXPECT_EQ(treeOf(parts()), v1);
}

TEST_F(UpdaterWindow, MissingPackageIsNotAvailable)
{
    FtpTestServer server;
    startServer(server);
    frmMain w;
    m_ui.answers = {MsgAnswer::Yes};
    clickUpdate(w);
    ASSERT_TRUE(waitUntil([&] { return m_ui.messages().size() == 2; }, 20000));
    EXPECT_EQ(m_ui.messages()[1].title, QStringLiteral("File Not Available"));
    EXPECT_EQ(m_ui.messages()[1].text,
              QStringLiteral("File mendrelparts.zip is not available at this time.  Please try later ..."));
    EXPECT_TRUE(logHas(QStringLiteral("FTP: File Not Available: mendrelparts.zip")));
    EXPECT_TRUE(waitUntil([&] { return logHas(QStringLiteral("FTP TAG: FILE_NOT_AVAIL")); }));
    EXPECT_TRUE(idle(w));
    EXPECT_EQ(child<QPushButton>(w, "cmdUpdate")->text(), QStringLiteral("Click Here To Update"));
}

TEST_F(UpdaterWindow, CancelWhileDownloadingLeavesNoFileAndTheWindowIdle)
{
    FtpTestServer server;
    server.setRate(64 * 1024);
    startServer(server);
    server.putFile(QStringLiteral("mendrelparts.zip"), qint64(4 * 1024 * 1024));
    frmMain w;
    m_ui.answers = {MsgAnswer::Yes};
    clickUpdate(w);
    ASSERT_TRUE(waitUntil([&] { return label(w, "lblStatus").contains(QStringLiteral("bytes of")); }, 20000));
    EXPECT_EQ(child<QPushButton>(w, "cmdUpdate")->text(), QStringLiteral("Cancel"));
    clickUpdate(w);
    ASSERT_TRUE(waitUntil([&] { return logHas(QStringLiteral("FTP TAG: CANCEL")); }, 20000));
    EXPECT_TRUE(idle(w));
    EXPECT_EQ(label(w, "SBPanel1"), QStringLiteral("Ready ..."));
    EXPECT_FALSE(exists(parts() + QStringLiteral("/mendrelparts.zip")));
    EXPECT_TRUE(QDir(parts()).entryList(QDir::Files).isEmpty());
}

// The pauses and copies of a process file let the window run: a close then (close box,
// Alt+F4, File > Exit) waits until the last line has run, and is done afterwards.
TEST_F(UpdaterWindow, ClosingWhileTheProcessFileRunsWaitsForItsEnd)
{
    constexpr int kLines = 400;
    QByteArray ini = "- many small copies\r\n";
    for (int i = 0; i < kLines; ++i)
        ini += "1|new/f.bin|lib/f" + QByteArray::number(i) + ".bin\r\n";
    const QString zip = m_env.path(QStringLiteral("mendrelparts.zip"));
    makeZip(zip, {{QStringLiteral("mendrelparts.INI"), ini}, {QStringLiteral("new/f.bin"), "copy"}});
    FtpTestServer server;
    startServer(server);
    server.putFile(QStringLiteral("mendrelparts.zip"), read(zip));

    frmMain w;
    w.show();
    const auto landed = [&] { return QDir(parts() + QStringLiteral("/lib")).entryList(QDir::Files).size(); };
    // Asked from inside the processing's own event loops, as a click would be.
    int closeAsks = 0;
    qsizetype landedAtFirstAsk = -1;
    bool closedByAsk = false;
    QTimer asker;
    asker.setInterval(1);
    QObject::connect(&asker, &QTimer::timeout, &w, [&] {
        if (closeAsks >= 3 || landed() < 20 || !w.isVisible())
            return;
        if (closeAsks == 0)
            landedAtFirstAsk = landed();
        ++closeAsks;
        closedByAsk = closedByAsk || w.close();
    });
    asker.start();
    m_ui.answers = {MsgAnswer::Yes};
    clickUpdate(w);
    ASSERT_TRUE(waitUntil([&] { return !w.isVisible(); }, 30000)) << closeAsks;
    asker.stop();

    EXPECT_EQ(closeAsks, 3);
    EXPECT_FALSE(closedByAsk);
    EXPECT_GT(landedAtFirstAsk, 0);
    EXPECT_LT(landedAtFirstAsk, kLines);
    EXPECT_EQ(landed(), kLines); // every line ran
    EXPECT_FALSE(exists(parts() + QStringLiteral("/mendrelparts.INI")));
    EXPECT_TRUE(logHas(QStringLiteral("End Process File")));
    const QStringList entries = logEntries();
    EXPECT_EQ(entries.filter(QStringLiteral("Close requested while the process file runs")).size(), 1);
    EXPECT_GT(entries.indexOf(QStringLiteral("Closing now: the update has finished")),
              entries.indexOf(QStringLiteral("End Process File")));
    EXPECT_FALSE(g_UpdateError);
}

// Ctrl+Q, shown in the menu, ends the program, but not in the middle of a transfer.
TEST_F(UpdaterWindow, CtrlQClosesTheWindowOnlyWhenIdle)
{
    frmMain w;
    w.show();
    QApplication::setActiveWindow(&w);
    EXPECT_EQ(child<QAction>(w, "mnuExit")->shortcut(), QKeySequence(QStringLiteral("Ctrl+Q")));
    w.ShowBusy();
    QTest::keyClick(&w, Qt::Key_Q, Qt::ControlModifier);
    EXPECT_TRUE(w.isVisible());
    w.ShowNotBusy();
    QTest::keyClick(&w, Qt::Key_Q, Qt::ControlModifier);
    EXPECT_FALSE(w.isVisible());
}

TEST_F(UpdaterWindow, DroppedDownloadIsReportedInWordsNeverProcessedAndResumedNextTime)
{
    write(parts() + QStringLiteral("/lib/orvana.bin"), "old program");
    const QMap<QString, QByteArray> before = treeOf(parts());
    FtpTestServer server(FtpTestServer::Mode::DropMidTransfer);
    server.setDropAfter(100 * 1024);
    startServer(server);
    // A package big enough to be cut: the process file, the program and padding.
    const QString zip = m_env.path(QStringLiteral("mendrelparts.zip"));
    makeZip(zip, {{QStringLiteral("mendrelparts.INI"), "1|new/orvana.bin|lib/orvana.bin\r\n"},
                  {QStringLiteral("new/orvana.bin"), "new program"},
                  {QStringLiteral("padding.bin"), FtpTestServer::patternBytes(1024 * 1024), false, false,
                   false, -1, true}});
    server.putFile(QStringLiteral("mendrelparts.zip"), read(zip));
    {
        frmMain w;
        m_ui.answers = {MsgAnswer::Yes};
        clickUpdate(w);
        ASSERT_TRUE(waitUntil(
            [&] { return logEntries().filter(QStringLiteral("Async Error #:")).size() == 1; }, 20000));
        EXPECT_TRUE(waitUntil([&] { return idle(w); }));
        EXPECT_TRUE(g_UpdateError);
        EXPECT_FALSE(logHas(QStringLiteral("Begin Process File")));
        const QString said = m_ui.messages().value(1).text;
        EXPECT_TRUE(said.startsWith(QStringLiteral("Async Error #: 20609 - The connection was lost after ")))
            << said.toStdString();
        EXPECT_EQ(child<QPushButton>(w, "cmdUpdate")->text(), QStringLiteral("Click Here To Update"));
    }
    // Nothing changed but the part kept for resuming.
    QMap<QString, QByteArray> now = treeOf(parts());
    EXPECT_TRUE(now.contains(QStringLiteral("mendrelparts.zip.part")));
    now.remove(QStringLiteral("mendrelparts.zip.part"));
    now.remove(QStringLiteral("mendrelparts.zip.part.info"));
    EXPECT_EQ(now, before);

    // The server is back (after a restart of the updater too): the download resumes.
    FtpTestServer again;
    again.setRoot(server.serverFolder().section(u'/', 0, -5));
    ASSERT_EQ(again.serverFolder(), server.serverFolder());
    startServer(again);
    m_ui.clear();
    frmMain w;
    m_ui.answers = {MsgAnswer::Yes};
    clickUpdate(w);
    ASSERT_TRUE(completes(w));
    EXPECT_FALSE(g_UpdateError) << logEntries().join(u'\n').toStdString();
    EXPECT_EQ(again.commands().filter(QRegularExpression(QStringLiteral("^REST [1-9]"))).size(), 1)
        << again.commands().join(u',').toStdString();
    EXPECT_EQ(read(parts() + QStringLiteral("/lib/orvana.bin")), "new program");
    EXPECT_FALSE(exists(parts() + QStringLiteral("/mendrelparts.zip.part")));
}

TEST_F(UpdaterWindow, RefusedConnectionIsReportedAndTheWindowIdle)
{
    Reg::SaveAppSetting(QStringLiteral("UPDATE_HOST"),
                        QStringLiteral("127.0.0.1:%1").arg(FtpTestServer::refusedPort()));
    frmMain w;
    m_ui.answers = {MsgAnswer::Yes};
    clickUpdate(w);
    ASSERT_TRUE(waitUntil(
        [&] {
            return messageTexts().contains(QStringLiteral("Unable to connect to server.   Please try later"));
        },
        20000));
    EXPECT_TRUE(waitUntil([&] { return idle(w); }));
    EXPECT_TRUE(logEntries().filter(QStringLiteral("Async Error #: 20605")).size() == 1);
    EXPECT_TRUE(g_UpdateError);
}

TEST_F(UpdaterWindow, SilentServerEndsTheProgramAfterTheWatchdog)
{
    FtpTestServer server(FtpTestServer::Mode::Silent);
    startServer(server);
    timings().watchdogTickMs = 5;
    frmMain w;
    w.show();
    QSignalSpy ended(&w, &frmMain::programEnded);
    m_ui.answers = {MsgAnswer::Yes};
    clickUpdate(w);
    ASSERT_TRUE(ended.wait(20000));
    EXPECT_EQ(m_ui.messages().last().title, QStringLiteral("Connect Error"));
    EXPECT_EQ(m_ui.messages().last().text, QStringLiteral("Unable to connect to host ... please try later"));
    EXPECT_EQ(m_ui.messages().last().icon, MsgIcon::Critical);
    EXPECT_FALSE(w.isVisible());
}

TEST_F(UpdaterWindow, RunningProgramStopsTheUpdateEvenAsCancel)
{
    FtpTestServer server;
    server.setRate(32 * 1024);
    startServer(server);
    server.putFile(QStringLiteral("mendrelparts.zip"), qint64(2 * 1024 * 1024));
    frmMain w;
    {
        PresenceBeacon dunmore(QStringLiteral("Dunmore Service Management System"));
        PresenceBeacon orvana(QStringLiteral("Orvana"));
        clickUpdate(w);
        ASSERT_EQ(messageTexts(),
                  QStringList{QStringLiteral("Please close Dunmore before using this function")});
        EXPECT_TRUE(logHas(QStringLiteral("Please close Dunmore before using this function")));
    }
    m_ui.clear();
    m_ui.answers = {MsgAnswer::Yes};
    clickUpdate(w);
    ASSERT_TRUE(waitUntil([&] { return label(w, "lblStatus").contains(QStringLiteral("bytes of")); }, 20000));
    {
        PresenceBeacon orvana(QStringLiteral("Orvana"));
        clickUpdate(w); // reads "Cancel", still refused
        EXPECT_EQ(messageTexts().last(), QStringLiteral("Please close Orvana before using this function"));
        EXPECT_TRUE(w.busy());
    }
    clickUpdate(w);
    EXPECT_TRUE(waitUntil([&] { return idle(w); }, 20000));
}

TEST(TransferText, ProgressLabel)
{
    EXPECT_EQ(TransferText::progressLabel(30000, 90000, 3),
              QStringLiteral(
                  "(30000) bytes of 90000 received at 10 kbits/sec\nEstimated time remaining: 0.1 minutes"));
    EXPECT_EQ(
        TransferText::progressLabel(1000, 91000, 1),
        QStringLiteral("(1000) bytes of 91000 received at 1 kbits/sec\nEstimated time remaining: 2 minutes"));
    // No bytes yet: no division by zero, a plain word instead.
    EXPECT_EQ(
        TransferText::progressLabel(0, 0, 1),
        QStringLiteral("(0) bytes of 1 received at  kbits/sec\nEstimated time remaining: not known yet"));
}

TEST(TransferText, SupportPackageNumbers)
{
    EXPECT_EQ(TransferText::supportPackageFile(QStringLiteral(" 42 ")), QStringLiteral("42.ZIP"));
    EXPECT_EQ(TransferText::supportPackageFile(QStringLiteral("999999")), QStringLiteral("999999.ZIP"));
    for (const char *bad : {"", "0", "1000000", "abc", "1.5", "-3", "4 2"})
        EXPECT_FALSE(TransferText::supportPackageFile(QLatin1String(bad))) << bad;
}

// Renders the window into the folder named by ORVANA_SCREENSHOTS (the desktop
// metadata's picture); skipped when it is not set.
TEST_F(UpdaterWindow, Screenshot)
{
    const QString folder = qEnvironmentVariable("ORVANA_SCREENSHOTS");
    if (folder.isEmpty())
        GTEST_SKIP() << "set ORVANA_SCREENSHOTS to a folder to write the screenshot";
    setFrontEnd("ORVANA", QStringLiteral("/opt/Vantelo/Parts"));
    setFrontEnd("Dunmore", QStringLiteral("/opt/Vantelo/Dunmore"));
    frmMain w;
    w.show();
    QCoreApplication::processEvents();
    QDir().mkpath(folder);
    ASSERT_TRUE(w.grab().save(folder + QStringLiteral("/updater.png")));
}
