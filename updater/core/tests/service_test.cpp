// SPDX-License-Identifier: MIT
#include "updater/core/testsupport/UpdaterFixture.h"

#include "common/core/Platform.h"
#include "updater/core/modService.h"

#include <QFile>
#include <QRegularExpression>
#include <QTimer>

using namespace modService;

using Service = UpdaterTest;

TEST_F(Service, LogLinesAreStampedUtf8WithCrLfInCallOrderAndResetDeletesThem)
{
    EXPECT_EQ(logFilePath(), programFolder() + QStringLiteral("/Vantelo Update.txt"));
    ResetLog(); // no log yet: nothing to say
    EXPECT_TRUE(m_ui.calls.isEmpty());

    ASSERT_TRUE(LogEvent(QStringLiteral("first")));
    ASSERT_TRUE(LogEvent(QStringLiteral("zweite Zeile: Größe")));
    const QByteArray bytes = logBytes();
    const QStringList lines = QString::fromUtf8(bytes).split(QStringLiteral("\r\n"));
    ASSERT_EQ(lines.size(), 3); // two lines, each ended by CR LF
    EXPECT_TRUE(lines.at(2).isEmpty());
    EXPECT_FALSE(bytes.contains("\n\n"));
    const QRegularExpression stamped(QStringLiteral("^(.+ - .+) - first$"));
    const auto m = stamped.match(lines.at(0));
    ASSERT_TRUE(m.hasMatch()) << lines.at(0).toStdString();
    EXPECT_EQ(m.captured(1).count(QStringLiteral(" - ")), 1); // date - time
    EXPECT_TRUE(lines.at(1).endsWith(QStringLiteral(" - zweite Zeile: Größe")));

    ResetLog();
    EXPECT_FALSE(QFile::exists(logFilePath()));
}

// Run by a user who may not write the installed program's folder.
TEST_F(Service, LogOfAReadOnlyProgramFolderGoesToTheStateFolder)
{
    Platform::setProgramFolderWritable(false);
    const QString state = m_env.stateHome() + QStringLiteral("/vantelo");
    EXPECT_EQ(logFilePath(), state + QStringLiteral("/Vantelo Update.txt"));
    ASSERT_TRUE(LogEvent(QStringLiteral("installed")));
    EXPECT_TRUE(read(state + QStringLiteral("/Vantelo Update.txt")).endsWith(" - installed\r\n"));
    ResetLog();
    EXPECT_FALSE(QFile::exists(state + QStringLiteral("/Vantelo Update.txt")));
}

TEST_F(Service, LogThatCannotBeWrittenSaysWhy)
{
    QDir().mkpath(logFilePath()); // a folder in its place
    const auto logged = LogEvent(QStringLiteral("x"));
    ASSERT_FALSE(logged);
    EXPECT_TRUE(logged.error().message.contains(QStringLiteral("Vantelo Update.txt")));
}

TEST_F(Service, DocumentsOpenWithTheirProgramElseTheUserChoosesOne)
{
    ASSERT_TRUE(LogEvent(QStringLiteral("x")));
    ShowLog();
    ASSERT_EQ(m_ui.calls.size(), 1);
    EXPECT_EQ(m_ui.calls.at(0).kind, QStringLiteral("open"));
    EXPECT_EQ(m_ui.calls.at(0).text, logFilePath());

    m_ui.clear();
    m_ui.openDocumentResult = false; // no program for ".txt"
    ShellOpen(logFilePath());
    ASSERT_EQ(m_ui.calls.size(), 2); // the user cancelled the choice: nothing more
    EXPECT_EQ(m_ui.calls.at(1).kind, QStringLiteral("chooseProgram"));
    EXPECT_EQ(m_ui.calls.at(1).text, logFilePath());

    // A chosen program is started on the document, for real.
    const QString copy = m_env.path(QStringLiteral("copied.txt"));
    const QString program = m_env.path(QStringLiteral("viewer"));
    write(program, "#!/bin/sh\ncp \"$1\" " + QFile::encodeName(copy) + "\n");
    QFile::setPermissions(program, QFile::permissions(program) | QFile::ExeOwner);
    m_ui.clear();
    m_ui.programs = {program};
    ShellOpen(logFilePath());
    ASSERT_EQ(m_ui.callsOf(QStringLiteral("start")).size(), 1);
    EXPECT_EQ(m_ui.callsOf(QStringLiteral("start")).at(0).arguments, QStringList{logFilePath()});
    EXPECT_TRUE(waitUntil([&] { return exists(copy); }));
    EXPECT_TRUE(m_ui.messages().isEmpty());

    // One that does not start is reported.
    m_ui.clear();
    m_ui.programs = {m_env.path(QStringLiteral("no-such-viewer"))};
    ShellOpen(logFilePath());
    ASSERT_EQ(m_ui.messages().size(), 1);
    EXPECT_TRUE(m_ui.messages().at(0).text.startsWith(QStringLiteral("The program ")));
    EXPECT_TRUE(logEntries().last().startsWith(QStringLiteral("The program ")));
}

TEST_F(Service, PauseLetsTheWindowRun)
{
    bool ticked = false;
    QTimer::singleShot(1, [&] { ticked = true; });
    Pause(50);
    EXPECT_TRUE(ticked);
}

TEST(ServiceText, FolderOfPathTakesEitherSeparator)
{
    EXPECT_EQ(FolderOfPath(QStringLiteral("/a/b/c.exe")), QStringLiteral("/a/b"));
    EXPECT_EQ(FolderOfPath(QStringLiteral("C:\\Tools\\app.exe")), QStringLiteral("C:\\Tools"));
    EXPECT_EQ(FolderOfPath(QStringLiteral("app.exe")), QString());
}
