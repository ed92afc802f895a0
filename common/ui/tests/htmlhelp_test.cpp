// SPDX-License-Identifier: MIT
#include "common/core/HtmlHelpEngine.h"
#include "common/testsupport/ScriptedUi.h"
#include "common/testsupport/TestEnv.h"
#include "common/ui/HTMLHelp.h"
#include "common/ui/QtUiServices.h"
#include "common/ui/modHHSubclass.h"

#include <QElapsedTimer>
#include <QFile>

#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

namespace {
struct HelpFixture : ::testing::Test {
    TestEnv env;
    ScriptedUi ui;
    void SetUp() override { HtmlHelpEngine::clearCalls(); }
    void TearDown() override { modHHSubclass::setApplicationHelpFile(QString()); }
};
} // namespace

TEST_F(HelpFixture, ContentsOpensTheFileAtTheTopicInMain)
{
    const QString chm = env.path(QStringLiteral("ORVANA.CHM")); // capitals pass the check
    TestEnv::writeFile(chm, "ITSF");
    modHHSubclass::setApplicationHelpFile(chm);
    modHHSubclass::ShowHelpTopic(1000);

    ASSERT_EQ(HtmlHelpEngine::calls().size(), 1);
    const HtmlHelpEngine::Call c = HtmlHelpEngine::calls().front();
    EXPECT_EQ(c.owner, 0u);
    EXPECT_EQ(c.target, chm + QStringLiteral(">Main"));
    EXPECT_EQ(c.command, 15u);
    EXPECT_EQ(c.data, 1000u);
    EXPECT_TRUE(ui.messages().isEmpty());
    ASSERT_EQ(ui.callsOf(QStringLiteral("open")).size(), 1);
    EXPECT_EQ(ui.callsOf(QStringLiteral("open")).front().text, chm) << "the viewer gets the file alone";
    EXPECT_NE(modHHSubclass::sharedHelp().HHWndHandle(), 0u);
}

TEST_F(HelpFixture, NoViewerIsReportedNamingTheHelpFile)
{
    const QString chm = env.path(QStringLiteral("orvana.chm"));
    TestEnv::writeFile(chm, "ITSF");
    modHHSubclass::setApplicationHelpFile(chm);
    ui.openDocumentResult = false;
    modHHSubclass::ShowHelpTopic(1000);
    EXPECT_EQ(HtmlHelpEngine::calls().size(), 1);
    ASSERT_EQ(ui.messages().size(), 1);
    EXPECT_TRUE(ui.messages()[0].text.contains(chm));
    EXPECT_TRUE(ui.messages()[0].text.contains(QStringLiteral("no program to show it")));
    EXPECT_EQ(ui.messages()[0].title, QStringLiteral("HTML Help Class"));
    EXPECT_EQ(ui.messages()[0].icon, MsgIcon::Exclamation);
    EXPECT_EQ(modHHSubclass::sharedHelp().HHWndHandle(), 0u);
}

TEST_F(HelpFixture, TwoRequestsReuseOneInstance)
{
    const QString chm = env.path(QStringLiteral("Carvell.chm"));
    TestEnv::writeFile(chm, "ITSF");
    modHHSubclass::setApplicationHelpFile(chm);
    modHHSubclass::ShowHelpTopic(1040);
    HTMLHelp *first = &modHHSubclass::sharedHelp();
    const int made = HTMLHelp::instancesCreated();
    modHHSubclass::ShowHelpTopic(1040);
    EXPECT_EQ(&modHHSubclass::sharedHelp(), first);
    EXPECT_EQ(HTMLHelp::instancesCreated(), made);
    ASSERT_EQ(HtmlHelpEngine::calls().size(), 2);
    EXPECT_EQ(HtmlHelpEngine::calls().back().data, 1040u);
}

TEST_F(HelpFixture, BadNameOrMissingFileIsReportedAndNothingOpens)
{
    modHHSubclass::setApplicationHelpFile(env.path(QStringLiteral("help.txt")));
    modHHSubclass::ShowHelpTopic(1000);
    ASSERT_EQ(ui.messages().size(), 1);
    EXPECT_EQ(ui.messages()[0].title, QStringLiteral("HTML Help Class"));
    EXPECT_EQ(ui.messages()[0].icon, MsgIcon::Exclamation);
    EXPECT_EQ(ui.messages()[0].buttons, MsgButtons::Ok);
    EXPECT_EQ(ui.messages()[0].text,
              env.path(QStringLiteral("help.txt")) + QStringLiteral(" is not a valid HTML Help file."));

    // Found at start-up, gone since.
    const QString gone = env.path(QStringLiteral("orvana.chm"));
    modHHSubclass::setApplicationHelpFile(gone);
    modHHSubclass::ShowHelpTopic(1000);
    ASSERT_EQ(ui.messages().size(), 2);
    EXPECT_EQ(ui.messages()[1].text, QStringLiteral("The file ") + gone +
                                         QStringLiteral(" does not exist.\nPlease make sure the "
                                                        "correct path and file name have been specified."));
    EXPECT_TRUE(HtmlHelpEngine::calls().isEmpty());
    EXPECT_TRUE(ui.callsOf(QStringLiteral("open")).isEmpty());
}

TEST_F(HelpFixture, WindowTypeAndOwnerRules)
{
    const QString chm = env.path(QStringLiteral("a.chm"));
    TestEnv::writeFile(chm, "ITSF");
    QWidget caller;
    HTMLHelp help;
    help.setCHMFile(chm);
    help.setHHTopicID(7);
    help.setHHWindow(QStringLiteral("  "));
    help.HHDisplayTopicID(&caller);
    EXPECT_EQ(HtmlHelpEngine::calls().back().target, chm) << "blank window type: the file alone";
    EXPECT_EQ(HtmlHelpEngine::calls().back().owner, 0u) << "not on top: no owner";

    help.setHHShowOnTop(true);
    help.HHDisplayTopicID(&caller);
    EXPECT_NE(HtmlHelpEngine::calls().back().owner, 0u);

    ui.openDocumentResult = false; // no viewer on this desktop
    help.HHDisplayTopicID();
    EXPECT_EQ(help.HHWndHandle(), 0u);
}

// The desktop opener on a machine where no program takes .chm files answers within a second
// or so with a failure; one that starts a viewer may keep running.
TEST(DesktopOpener, ANoProgramAnswerIsAFailureAndAViewerStillRunningASuccess)
{
    TestEnv env;
    const QByteArray oldPath = qgetenv("PATH");
    qputenv("PATH", QFile::encodeName(env.path(QStringLiteral("bin"))) + ':' + oldPath);
    const auto opener = [&](const QByteArray &body) {
        const QString script = env.path(QStringLiteral("bin/xdg-open"));
        TestEnv::writeFile(script, "#!/bin/sh\n" + body + "\n");
        QFile::setPermissions(script, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    };
    QtUiServices services;
    const QString doc = env.path(QStringLiteral("help.chm"));
    opener("exit 3");
    EXPECT_FALSE(services.openDocument(doc));
    opener("sleep 1; exit 4");
    EXPECT_FALSE(services.openDocument(doc));
    opener("exit 0");
    EXPECT_TRUE(services.openDocument(doc));
    opener("exec sleep 4");
    QElapsedTimer took;
    took.start();
    EXPECT_TRUE(services.openDocument(doc));
    EXPECT_LT(took.elapsed(), 3900) << "a running viewer does not hold the window for long";
    // Lets the "viewer" end, so nothing of it outlives the test.
    while (took.elapsed() < 6000)
        QTest::qWait(100);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    qputenv("PATH", oldPath);
}
