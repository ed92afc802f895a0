// SPDX-License-Identifier: MIT
#include "updater/core/testsupport/UpdaterFixture.h"

#include "common/core/PresenceBeacon.h"
#include "updater/core/NameIndex.h"
#include "updater/core/PackageProcessor.h"
#include "updater/core/UpdateBackup.h"
#include "updater/core/modFileCopy.h"
#include "updater/core/modPaths.h"
#include "updater/core/modService.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QThread>

#include <stdexcept>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {
const QString kFileUpdateError = QStringLiteral("File Update Error: Unable to process command: ");
}

class Interpreter : public UpdaterTest {
protected:
    QString ini() const { return inTarget(QStringLiteral("t.INI")); }
    short run(const QByteArray &text)
    {
        write(ini(), text);
        return PackageProcessor().RunBatchIni(ini());
    }
};

TEST_F(Interpreter, CommentsAndEmptyLinesOnlyDeleteTheFile)
{
    EXPECT_EQ(run("- a comment\r\n\r\n-1|a|b\r\n\n"), PackageProcessor::Completed);
    EXPECT_EQ(logEntries(), QStringList{QStringLiteral("Delete: ") + ini()});
    EXPECT_FALSE(exists(ini()));
    EXPECT_FALSE(g_UpdateError);
}

TEST_F(Interpreter, FileCopyCreatesTheMissingFoldersOfAnAbsoluteTo)
{
    write(inTarget(QStringLiteral("bin/app.exe")), "app");
    const QString tools = m_env.path(QStringLiteral("Tools/deep"));
    // A drive letter and backslashes, as written on Windows; " 1 " is still File Copy.
    const QString to =
        QStringLiteral("C:") + QString(tools).replace(u'/', u'\\') + QStringLiteral("\\app.exe");
    EXPECT_EQ(run(" 1 |bin\\app.exe|" + to.toUtf8() + "\r\n"), PackageProcessor::Completed);
    EXPECT_EQ(read(tools + QStringLiteral("/app.exe")), "app");
    const QStringList expected = {QStringLiteral("From: ") + inTarget(QStringLiteral("bin/app.exe")),
                                  QStringLiteral("To: ") + tools + QStringLiteral("/app.exe"),
                                  QStringLiteral("Check for folder:") + tools,
                                  QStringLiteral("Create Folder: ") + tools,
                                  QStringLiteral("File Copy: ") + inTarget(QStringLiteral("bin/app.exe")) +
                                      QStringLiteral(" to ") + tools + QStringLiteral("/app.exe"),
                                  QStringLiteral("Delete: ") + ini()};
    EXPECT_EQ(logEntries(), expected);
    EXPECT_FALSE(g_UpdateError);
}

TEST_F(Interpreter, FromStaysInTheTargetFolderAndNamesMatchInAnyCase)
{
    write(inTarget(QStringLiteral("bin/App.Exe")), "app");
    QDir().mkpath(inTarget(QStringLiteral("Out")));
    EXPECT_EQ(run("01|C:\\BIN\\app.exe|out\\copy.exe\r\n1.0|/bin/app.exe|OUT\\second.exe\r\n"),
              PackageProcessor::Completed);
    EXPECT_EQ(read(inTarget(QStringLiteral("Out/copy.exe"))), "app");
    EXPECT_EQ(read(inTarget(QStringLiteral("Out/second.exe"))), "app");
    EXPECT_FALSE(exists(inTarget(QStringLiteral("out"))));
    EXPECT_FALSE(g_UpdateError);
}

TEST_F(Interpreter, FolderCopyCopiesFilesButNotSubFolders)
{
    write(inTarget(QStringLiteral("system/a.dll")), "a");
    write(inTarget(QStringLiteral("system/b.dll")), "b");
    write(inTarget(QStringLiteral("system/sub/c.dll")), "c");
    const QString dest = m_env.path(QStringLiteral("Windows/System"));
    QDir().mkpath(m_env.path(QStringLiteral("Windows")));
    EXPECT_EQ(run("0|system|" + dest.toUtf8() + "\r\n0|empty|x\r\n"), PackageProcessor::Completed);
    EXPECT_EQ(read(dest + QStringLiteral("/a.dll")), "a");
    EXPECT_EQ(read(dest + QStringLiteral("/b.dll")), "b");
    EXPECT_FALSE(exists(dest + QStringLiteral("/sub")));
    EXPECT_TRUE(logHas(QStringLiteral("Bulk Copy ") + inTarget(QStringLiteral("system")) +
                       QStringLiteral(" to ") + dest));
    // An empty source: the user is told, the script goes on.
    ASSERT_EQ(m_ui.messages().size(), 1);
    EXPECT_EQ(m_ui.messages().at(0).text, QStringLiteral("No *.* files found."));
    EXPECT_TRUE(logHas(QStringLiteral("Delete: ") + ini()));
}

TEST_F(Interpreter, DeleteWithWildcardsRemovesEveryMatchAndNothingElse)
{
    write(inTarget(QStringLiteral("old/a.tmp")), "a");
    write(inTarget(QStringLiteral("old/B.TMP")), "b");
    write(inTarget(QStringLiteral("old/keep.dat")), "k");
    write(inTarget(QStringLiteral("single.txt")), "s");
    EXPECT_EQ(run("3|old\\*.tmp|\r\n3|single.txt|\r\n3|old\\*.none|\r\n3|missing.txt|\r\n"),
              PackageProcessor::Completed);
    EXPECT_EQ(QDir(inTarget(QStringLiteral("old"))).entryList(QDir::Files),
              QStringList{QStringLiteral("keep.dat")});
    EXPECT_FALSE(exists(inTarget(QStringLiteral("single.txt"))));
    const QStringList log = logEntries();
    EXPECT_EQ(log.count(QStringLiteral("Delete: ") + inTarget(QStringLiteral("old/*.tmp"))), 1);
    EXPECT_TRUE(log.contains(QStringLiteral("Check Delete: ") + inTarget(QStringLiteral("old/*.none"))));
    EXPECT_FALSE(log.contains(QStringLiteral("Delete: ") + inTarget(QStringLiteral("old/*.none"))));
    EXPECT_FALSE(log.contains(QStringLiteral("Delete: ") + inTarget(QStringLiteral("missing.txt"))));
    EXPECT_FALSE(g_UpdateError);
}

TEST_F(Interpreter, RegisterAndQuietRegisterStartTheToolWithItsArguments)
{
    placeRecordingRegistrar();
    write(inTarget(QStringLiteral("mycontrol.ocx")), "MZ");
    write(inTarget(QStringLiteral("lib.DLL")), "MZ");
    write(inTarget(QStringLiteral("readme.txt")), "text");
    EXPECT_EQ(run("4||mycontrol.ocx\r\n6||lib.DLL\r\n4||readme.txt\r\n"), PackageProcessor::Completed);
    QStringList runs = registrarRuns(2);
    runs.sort();
    const QStringList expected = {QStringLiteral("/s\n") + inTarget(QStringLiteral("lib.DLL")),
                                  inTarget(QStringLiteral("mycontrol.ocx"))};
    EXPECT_EQ(runs, expected);
    const QStringList log = logEntries();
    EXPECT_TRUE(log.contains(QStringLiteral("Register: ") + inTarget(QStringLiteral("mycontrol.ocx"))));
    EXPECT_TRUE(log.contains(QStringLiteral("Quiet Register: ") + inTarget(QStringLiteral("lib.DLL"))));
    // The text file: its three lines and nothing more.
    // An empty From is the package folder itself, as written.
    EXPECT_EQ(log.mid(log.size() - 4),
              QStringList({QStringLiteral("From: ") + target() + u'/',
                           QStringLiteral("To: ") + inTarget(QStringLiteral("readme.txt")),
                           QStringLiteral("Check Register: ") + inTarget(QStringLiteral("readme.txt")),
                           QStringLiteral("Delete: ") + ini()}));
    EXPECT_TRUE(m_ui.messages().isEmpty());
    EXPECT_FALSE(g_UpdateError);
}

TEST_F(Interpreter, AFailedRegistrationIsToldLoggedAndTheScriptGoesOn)
{
    write(inTarget(QStringLiteral("a.txt")), "a");
    EXPECT_EQ(run("4||missing.ocx\r\n1|a.txt|b.txt\r\n"), PackageProcessor::Completed);
    ASSERT_EQ(m_ui.messages().size(), 1);
    EXPECT_EQ(m_ui.messages().at(0).title, QStringLiteral("Vantelo Update File missing"));
    EXPECT_TRUE(logHas(QStringLiteral("Failed to register DLL: ") + inTarget(QStringLiteral("missing.ocx"))));
    EXPECT_TRUE(exists(inTarget(QStringLiteral("b.txt"))));
    EXPECT_TRUE(g_UpdateError);
}

TEST_F(Interpreter, UnknownCodesShortLinesAndFailedStepsAreLoggedAndSkipped)
{
    write(inTarget(QStringLiteral("a.txt")), "a");
    EXPECT_EQ(run("2|a|b\r\n7|a|b\r\n1|a.txt\r\n1|missing.txt|c.txt\r\n1|a.txt|d.txt\r\n"),
              PackageProcessor::Completed);
    const QStringList log = logEntries();
    EXPECT_TRUE(log.contains(kFileUpdateError + QStringLiteral("2 - ") + inTarget(QStringLiteral("a")) +
                             QStringLiteral(" - ") + inTarget(QStringLiteral("b"))));
    EXPECT_TRUE(log.contains(kFileUpdateError + QStringLiteral("7 - ") + inTarget(QStringLiteral("a")) +
                             QStringLiteral(" - ") + inTarget(QStringLiteral("b"))));
    // The short line is skipped, never run with the paths of the line before.
    const qsizetype shortLine = log.indexOf(QRegularExpression(
        QStringLiteral("^File Update Error:     - \n     - \n     - 9 -- .*1\\|a\\.txt.*")));
    EXPECT_GE(shortLine, 0) << log.join(u'|').toStdString();
    EXPECT_FALSE(exists(inTarget(QStringLiteral("b"))));
    // A copy that fails: the error with the line's paths, then the next line runs.
    EXPECT_TRUE(log.contains(QStringLiteral("File Update Error:     - ") +
                             inTarget(QStringLiteral("missing.txt")) + QStringLiteral("\n     - ") +
                             inTarget(QStringLiteral("c.txt")) +
                             QStringLiteral("\n     - 53 -- File not found (No such file or directory)")));
    EXPECT_EQ(read(inTarget(QStringLiteral("d.txt"))), "a");
    EXPECT_TRUE(g_UpdateError);
    EXPECT_FALSE(exists(ini()));
}

TEST_F(Interpreter, ShowFileOpensTheDocument)
{
    write(inTarget(QStringLiteral("notes.txt")), "n");
    EXPECT_EQ(run("5|notes.txt|\r\n"), PackageProcessor::Completed);
    const auto opens = m_ui.callsOf(QStringLiteral("open"));
    ASSERT_EQ(opens.size(), 1);
    EXPECT_EQ(opens.at(0).text, inTarget(QStringLiteral("notes.txt")));
    EXPECT_TRUE(logHas(QStringLiteral("Show File: ") + inTarget(QStringLiteral("notes.txt"))));
}

TEST_F(Interpreter, WindowsCodePageTextIsRead)
{
    write(inTarget(QStringLiteral("Größe.txt")), "g");
    EXPECT_EQ(run("1|Gr\xf6\xdf"
                  "e.txt|\x80.txt\r\n"),
              PackageProcessor::Completed);
    EXPECT_EQ(read(inTarget(QStringLiteral("€.txt"))), "g");
}

TEST_F(Interpreter, ARunningSiblingStopsEverythingAndKeepsTheFile)
{
    write(inTarget(QStringLiteral("a.txt")), "a");
    for (const auto &[title, name] :
         {std::pair{QStringLiteral("Carvell"), QStringLiteral("Carvell")},
          std::pair{QStringLiteral("Dunmore Service Management System"), QStringLiteral("Dunmore")}}) {
        m_ui.clear();
        PresenceBeacon beacon(title);
        ASSERT_TRUE(beacon.held());
        EXPECT_EQ(run("1|a.txt|b.txt\r\n"), PackageProcessor::SiblingRunning);
        EXPECT_TRUE(exists(ini()));
        EXPECT_FALSE(exists(inTarget(QStringLiteral("b.txt"))));
        ASSERT_EQ(m_ui.messages().size(), 1);
        EXPECT_EQ(m_ui.messages().at(0).text,
                  QStringLiteral("Batch process terminated.  Running instance of ") + name +
                      QStringLiteral(" detected. Please close ") + name +
                      QStringLiteral(" and start again."));
        EXPECT_EQ(logEntries().last(), QStringLiteral("Batch process terminated.  Running instance of ") +
                                           name + QStringLiteral(" detected"));
    }
    PresenceBeacon orvana(QStringLiteral("Orvana")); // not looked for here
    EXPECT_EQ(run("1|a.txt|b.txt\r\n"), PackageProcessor::Completed);
    EXPECT_FALSE(g_UpdateError);
}

TEST_F(Interpreter, MissingAndUnreadableFilesEndTheRun)
{
    EXPECT_EQ(PackageProcessor().RunBatchIni(ini()), PackageProcessor::NotFound);
    EXPECT_EQ(logEntries(),
              QStringList{QStringLiteral("Batch process terminated.  File not found: ") + ini()});
    EXPECT_TRUE(m_ui.messages().isEmpty());
    EXPECT_FALSE(g_UpdateError);

    // A socket cannot be opened as a file, even by root.
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    const QByteArray path = QFile::encodeName(ini());
    ASSERT_LT(size_t(path.size()), sizeof addr.sun_path);
    memcpy(addr.sun_path, path.constData(), size_t(path.size()));
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr), 0);
    EXPECT_EQ(PackageProcessor().RunBatchIni(ini()), PackageProcessor::Unreadable);
    ::close(fd);
    EXPECT_TRUE(logEntries().last().startsWith(
        QStringLiteral("Batch process terminated.  The process file cannot be read: ") + ini()));
    EXPECT_TRUE(exists(ini()));
    EXPECT_TRUE(g_UpdateError);
}

class Processing : public UpdaterTest {
protected:
    QString package() const { return inTarget(QStringLiteral("mendrelparts.zip")); }
    RecordingView view;
};

TEST_F(Processing, APackageIsUnpackedItsScriptRunAndBothDeleted)
{
    makeZip(package(), {{QStringLiteral("MENDRELPARTS.ini"), "1|new\\orvana|bin\\orvana\r\n"},
                        {QStringLiteral("new/orvana"), "binary"}});
    EXPECT_TRUE(PackageProcessor::processPackage(target(), QStringLiteral("mendrelparts.zip"), &view));
    EXPECT_EQ(read(inTarget(QStringLiteral("bin/orvana"))), "binary");
    EXPECT_FALSE(exists(package()));
    EXPECT_FALSE(exists(inTarget(QStringLiteral("MENDRELPARTS.ini"))));
    const QStringList log = logEntries();
    ASSERT_GE(log.size(), 6);
    EXPECT_EQ(log.mid(0, 4),
              QStringList({QStringLiteral("Begin Process File"), QStringLiteral("UnZIP: ") + package(),
                           QStringLiteral("Delete ") + package(),
                           QStringLiteral("Process file: ") + inTarget(QStringLiteral("MENDRELPARTS.ini"))}));
    EXPECT_EQ(log.last(), QStringLiteral("End Process File"));
    EXPECT_FALSE(view.busy);
    EXPECT_TRUE(view.updateEnabled);
    EXPECT_EQ(view.statusTexts, QStringList{QStringLiteral("Unzipping")});
    EXPECT_TRUE(view.labels.last().startsWith(QStringLiteral("Update process completed at ")));
    EXPECT_TRUE(m_ui.calls.isEmpty()); // no failure: the log is not shown
}

TEST_F(Processing, APackageWithoutAScriptIsASuccess)
{
    makeZip(package(), {{QStringLiteral("readme.txt"), "r"}});
    EXPECT_TRUE(PackageProcessor::processPackage(target(), QStringLiteral("mendrelparts.zip"), &view));
    EXPECT_TRUE(
        logHas(QStringLiteral("Process file not found: ") + inTarget(QStringLiteral("mendrelparts.INI"))));
    EXPECT_TRUE(m_ui.calls.isEmpty());
}

TEST_F(Processing, AMissingPackageIsToldAndTheLogShown)
{
    EXPECT_FALSE(PackageProcessor::processPackage(target(), QStringLiteral("mendrelparts.zip"), &view));
    ASSERT_EQ(m_ui.messages().size(), 1);
    EXPECT_EQ(m_ui.messages().at(0).title, QStringLiteral("Process File"));
    EXPECT_EQ(m_ui.messages().at(0).text, QStringLiteral("File not found: ") + package());
    EXPECT_TRUE(logHas(QStringLiteral("File not found: ") + package()));
    const auto opens = m_ui.callsOf(QStringLiteral("open"));
    ASSERT_EQ(opens.size(), 1);
    EXPECT_EQ(opens.at(0).text, modService::logFilePath());
    EXPECT_FALSE(view.busy);
}

// A package that can never unpack (unsafe entries, damaged data) is deleted as a failed
// download is; one that fails only because of this folder is kept. Either way nothing
// runs, and the box gives the reason in words beside its number.
TEST_F(Processing, APackageThatFailsToUnpackRunsNothingAndGoesWhenItIsBad)
{
    write(inTarget(QStringLiteral("a.txt")), "a");
    struct Bad {
        QList<ZipItem> items;
        QString reason;
    };
    const QList<Bad> bad = {
        {{{QStringLiteral("mendrelparts.INI"), "1|a.txt|b.txt\r\n"}, {QStringLiteral("../escape.txt"), "x"}},
         QStringLiteral("../escape.txt")},
        {{{QStringLiteral("mendrelparts.INI"), "1|a.txt|b.txt\r\n"},
          {QStringLiteral("lnk"), "/etc", false, true}},
         QStringLiteral("lnk")},
    };
    for (const Bad &b : bad) {
        m_ui.clear();
        makeZip(package(), b.items);
        EXPECT_FALSE(PackageProcessor::processPackage(target(), QStringLiteral("mendrelparts.zip"), &view));
        EXPECT_FALSE(exists(package()));
        EXPECT_FALSE(exists(inTarget(QStringLiteral("mendrelparts.INI"))));
        EXPECT_FALSE(exists(inTarget(QStringLiteral("b.txt"))));
        EXPECT_FALSE(exists(m_env.path(QStringLiteral("escape.txt"))));
        ASSERT_EQ(m_ui.messages().size(), 1);
        EXPECT_EQ(m_ui.messages().at(0).title, QStringLiteral("Error During UnZIP"));
        const QStringList lines = m_ui.messages().at(0).text.split(u'\n');
        ASSERT_EQ(lines.size(), 3) << m_ui.messages().at(0).text.toStdString();
        EXPECT_TRUE(lines[0].startsWith(QStringLiteral("Error Number: 100")));
        EXPECT_TRUE(lines[1].contains(b.reason)) << lines[1].toStdString();
        EXPECT_EQ(lines[2], QStringLiteral("The package is damaged or unsafe and was deleted."));
        EXPECT_TRUE(logHas(QStringLiteral("Delete ") + package() +
                           QStringLiteral(" (damaged or unsafe: nothing unpacked)")));
        EXPECT_EQ(m_ui.callsOf(QStringLiteral("open")).size(), 1);
        EXPECT_FALSE(view.busy);
    }

    m_ui.clear();
    write(package(), "PK\x03\x04 damaged beyond repair");
    EXPECT_FALSE(PackageProcessor::processPackage(target(), QStringLiteral("mendrelparts.zip"), &view));
    ASSERT_EQ(m_ui.messages().size(), 1);
    EXPECT_EQ(m_ui.messages().at(0).title, QStringLiteral("Error During UnZIP"));
    EXPECT_EQ(m_ui.messages().at(0).text,
              QStringLiteral("Error Number: 19  (") + package() + QStringLiteral(")\n") + package() +
                  QStringLiteral(": Not a zip archive\nThe package is damaged or unsafe and was deleted."));
    EXPECT_TRUE(logEntries().contains(
        QRegularExpression(QStringLiteral("^Error during UnZip: [1-9][0-9]* \\(.*\\)$"))));
    EXPECT_FALSE(exists(package()));

    // Refused because of this folder (an entry's folder is a link leading out): kept.
    m_ui.clear();
    QDir().mkpath(m_env.path(QStringLiteral("elsewhere")));
    ASSERT_TRUE(QFile::link(m_env.path(QStringLiteral("elsewhere")), inTarget(QStringLiteral("out"))));
    makeZip(package(),
            {{QStringLiteral("mendrelparts.INI"), "1|a.txt|b.txt\r\n"}, {QStringLiteral("out/x.txt"), "x"}});
    EXPECT_FALSE(PackageProcessor::processPackage(target(), QStringLiteral("mendrelparts.zip"), &view));
    EXPECT_TRUE(exists(package()));
    EXPECT_FALSE(exists(m_env.path(QStringLiteral("elsewhere/x.txt"))));
    ASSERT_EQ(m_ui.messages().size(), 1);
    const QStringList lines = m_ui.messages().at(0).text.split(u'\n');
    ASSERT_EQ(lines.size(), 2) << m_ui.messages().at(0).text.toStdString();
    EXPECT_EQ(lines[0], QStringLiteral("Error Number: 1003  (") + package() + u')');
    EXPECT_FALSE(lines[1].isEmpty());
    EXPECT_TRUE(logHas(QStringLiteral("UnZIP: the package is kept: ") + package()));
}

TEST_F(Processing, AFailureOutsideTheScriptIsReportedAndTheWindowLeftIdle)
{
    struct ThrowingView final : UpdateView {
        RecordingView &inner;
        explicit ThrowingView(RecordingView &v) : inner(v) {}
        void ShowBusy() override { inner.ShowBusy(); }
        void ShowNotBusy() override { inner.ShowNotBusy(); }
        void EnableUpdate(bool e) override { inner.EnableUpdate(e); }
        void SetStatusText(const QString &) override { throw std::runtime_error("the status bar is gone"); }
    } throwing(view);
    makeZip(package(), {{QStringLiteral("mendrelparts.INI"), "1|a|b\r\n"}});
    EXPECT_FALSE(PackageProcessor::processPackage(target(), QStringLiteral("mendrelparts.zip"), &throwing));
    EXPECT_FALSE(view.busy);
    EXPECT_TRUE(view.updateEnabled);
    ASSERT_EQ(m_ui.messages().size(), 1);
    EXPECT_EQ(m_ui.messages().at(0).title, QStringLiteral("Process File"));
    EXPECT_TRUE(m_ui.messages().at(0).text.contains(QStringLiteral("the status bar is gone")));
    EXPECT_TRUE(logEntries().contains(
        QRegularExpression(QStringLiteral("^Process File Error: .*the status bar is gone$"))));
    EXPECT_EQ(logEntries().last(), QStringLiteral("End Process File"));
    EXPECT_EQ(m_ui.callsOf(QStringLiteral("open")).size(), 1);
}

TEST_F(Processing, ALogThatCannotBeWrittenIsToldOnceAndTheUpdateGoesOn)
{
    QDir().mkpath(modService::logFilePath());
    makeZip(package(),
            {{QStringLiteral("mendrelparts.INI"), "1|a.txt|b.txt\r\n"}, {QStringLiteral("a.txt"), "a"}});
    EXPECT_TRUE(PackageProcessor::processPackage(target(), QStringLiteral("mendrelparts.zip"), &view));
    EXPECT_EQ(read(inTarget(QStringLiteral("b.txt"))), "a");
    ASSERT_EQ(m_ui.messages().size(), 1);
    EXPECT_TRUE(m_ui.messages().at(0).text.contains(QStringLiteral("Vantelo Update.txt")));
}

TEST_F(Interpreter, NoLineReachesOutsideTheProgramFolderExceptThroughAnAbsoluteTo)
{
    const QString outside = m_env.path(QStringLiteral("outside"));
    write(outside + QStringLiteral("/victim.txt"), "victim");
    write(outside + QStringLiteral("/x/a.txt"), "a");
    write(inTarget(QStringLiteral("p.txt")), "package file");
    write(inTarget(QStringLiteral("sub/inner.txt")), "inner");
    QFile::link(outside, inTarget(QStringLiteral("lnk")));
    const QString outsideRel = QStringLiteral("..\\outside"); // target and outside are siblings
    const QByteArray lines =
        QStringList{
            QStringLiteral("3|") + outsideRel + QStringLiteral("\\victim.txt|"),
            QStringLiteral("3|..\\..\\..\\..\\..\\..\\..\\..\\tmp\\..") +
                QString(outside).replace(u'/', u'\\') + QStringLiteral("\\x\\*|"),
            QStringLiteral("3|C:") + outsideRel + QStringLiteral("\\victim.txt|"),
            QStringLiteral("3|lnk\\victim.txt|"),
            QStringLiteral("1|lnk\\victim.txt|stolen.txt"),
            QStringLiteral("1|p.txt|") + outsideRel + QStringLiteral("\\x"),
            QStringLiteral("1|p.txt|sub\\..\\..\\escaped.txt"),
            QStringLiteral("1|p.txt|lnk\\planted.txt"),
            QStringLiteral("0|sub|") + outsideRel,
        }
            .join(QStringLiteral("\r\n"))
            .toUtf8();
    EXPECT_EQ(run(lines + "\r\n"), PackageProcessor::Completed);
    EXPECT_TRUE(g_UpdateError);
    EXPECT_EQ(read(outside + QStringLiteral("/victim.txt")), "victim");
    EXPECT_EQ(read(outside + QStringLiteral("/x/a.txt")), "a");
    EXPECT_EQ(QDir(outside).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).size(), 2);
    EXPECT_FALSE(exists(inTarget(QStringLiteral("stolen.txt"))));
    EXPECT_FALSE(exists(m_env.path(QStringLiteral("escaped.txt"))));
    const QStringList refused = logEntries().filter(QStringLiteral("File Update Error: Line refused, "));
    EXPECT_EQ(refused.size(), 9) << logEntries().join(u'\n').toStdString();
    EXPECT_TRUE(refused.first().endsWith(QStringLiteral("3|..\\outside\\victim.txt|")));

    // Lines that stay inside still run, and a drive path To is as absolute as ever; a
    // drive-relative To is read from the root, never from the current folder.
    g_UpdateError = false;
    const QString abs =
        QStringLiteral("C:") + QString(outside).replace(u'/', u'\\') + QStringLiteral("\\copy.txt");
    EXPECT_EQ(run("1|sub\\..\\p.txt|sub\\copy.txt\r\n1|p.txt|" + abs.toUtf8() + "\r\n3|sub\\inner.txt|\r\n"),
              PackageProcessor::Completed);
    EXPECT_FALSE(g_UpdateError) << logEntries().join(u'\n').toStdString();
    EXPECT_EQ(read(inTarget(QStringLiteral("sub/copy.txt"))), "package file");
    EXPECT_EQ(read(outside + QStringLiteral("/copy.txt")), "package file");
    EXPECT_FALSE(exists(inTarget(QStringLiteral("sub/inner.txt"))));
    NameIndex names;
    EXPECT_EQ(modPaths::ToPath(target(), QStringLiteral("C:name"), names).path, QStringLiteral("/name"));
    EXPECT_EQ(modPaths::ToPath(target(), QStringLiteral("C:..\\name"), names).path, QStringLiteral("/name"));
    // The system would read "..<NUL>x" as "..": a NUL in a path is never a name.
    const QString withNul = QStringLiteral("..") + QChar(0) + QStringLiteral("x");
    EXPECT_FALSE(modPaths::resolveField(target(), withNul, modPaths::Field::From).ok());
    EXPECT_FALSE(modPaths::resolveField(target(), withNul, modPaths::Field::To).ok());
}

// A path no file system can name is refused as a line, however long, and the lines
// after it still run; one just short of the limit is resolved and runs.
TEST_F(Interpreter, AFieldLongerThanAnyPathIsRefusedAndTheNextLineRuns)
{
    write(inTarget(QStringLiteral("p.txt")), "package file");
    QByteArray deep;
    for (int i = 0; i < 300000; ++i)
        deep += "a\\";
    const QByteArray lines = "1|p.txt|" + deep + "x.txt\r\n" + // 600,000 characters, 300,000 levels
                             "3|" + deep + "*.txt|\r\n" + "1|p.txt|" + QByteArray(4096, 'n') +
                             "\r\n" + // one level too long
                             "1|p.txt|" + deep.left(400) + "ok.txt\r\n" + "1|p.txt|after.txt\r\n";
    EXPECT_EQ(run(lines), PackageProcessor::Completed);
    EXPECT_TRUE(g_UpdateError);
    const QStringList refused = logEntries().filter(QStringLiteral("File Update Error: Line refused, "));
    ASSERT_EQ(refused.size(), 3) << refused.join(u'\n').left(2000).toStdString();
    EXPECT_TRUE(
        refused[0].startsWith(QStringLiteral("File Update Error: Line refused, To is longer than the file "
                                             "system can name (600005 characters): 1|p.txt|a\\a\\")));
    EXPECT_TRUE(refused[1].startsWith(
        QStringLiteral("File Update Error: Line refused, From is longer than the file system can name")));
    EXPECT_TRUE(refused[2].startsWith(
        QStringLiteral("File Update Error: Line refused, To is longer than the file system can name")));
    EXPECT_EQ(read(inTarget(QStringLiteral("after.txt"))), "package file");
    EXPECT_EQ(read(inTarget(QString(QString::fromLatin1(deep.left(400))).replace(u'\\', u'/') +
                            QStringLiteral("ok.txt"))),
              "package file");
    EXPECT_FALSE(exists(inTarget(QStringLiteral("a/a/a/a"))) && exists(inTarget(QStringLiteral("x.txt"))));
}

namespace {
qint64 residentBytes()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    return statm.readAll().split(' ').value(1).toLongLong() * ::sysconf(_SC_PAGESIZE);
}
} // namespace

// The levels of a path are kept as a tree: a deep path costs memory in its length (each
// prefix kept as a name of its own grew with the square), and still matches in any case.
TEST_F(Interpreter, ADeepPathCostsMemoryInItsLength)
{
    QDir().mkpath(inTarget(QStringLiteral("Deep/Er")));
    QString tail;
    for (int i = 0; i < 8000; ++i)
        tail += QStringLiteral("l/");
    const qint64 before = residentBytes();
    NameIndex names;
    const QString resolved =
        names.resolvePath(inTarget(QStringLiteral("deep/ER/") + tail + QStringLiteral("f")));
    const qint64 grown = residentBytes() - before;
    EXPECT_EQ(resolved, inTarget(QStringLiteral("Deep/Er/") + tail + QStringLiteral("f")));
    EXPECT_LT(grown, qint64(32) * 1024 * 1024) << grown; // 170 MB with a copy of every prefix

    // A missing level remembered in one case is found in another, and levels made
    // meanwhile are listed again once forgotten.
    EXPECT_EQ(names.resolvePath(inTarget(QStringLiteral("DEEP/er/L/L"))),
              inTarget(QStringLiteral("Deep/Er/l/l")));
    QDir().mkpath(inTarget(QStringLiteral("Deep/Er/l/l/Made")));
    names.forget(inTarget(QStringLiteral("Deep/Er/l/l")));
    EXPECT_EQ(names.resolvePath(inTarget(QStringLiteral("deep/er/l/l/made/x"))),
              inTarget(QStringLiteral("Deep/Er/l/l/Made/x")));
}

TEST_F(Processing, AnUpdateIsKeptAndRollsBackToTheFolderAsItWas)
{
    write(inTarget(QStringLiteral("orvana")), "#!/bin/sh\necho old\n");
    ::chmod(QFile::encodeName(inTarget(QStringLiteral("orvana"))).constData(), 0755);
    write(inTarget(QStringLiteral("old.dll")), "old dll");
    write(inTarget(QStringLiteral("help/orvana.chm")), "old help");
    write(inTarget(QStringLiteral("ORVANA.MDB")), "the parts");
    const QMap<QString, QByteArray> before = treeOf(target());

    auto update = [&](const QByteArray &version) {
        makeZip(package(),
                {{QStringLiteral("MENDRELPARTS.INI"),
                  "1|new\\orvana|orvana\r\n3|old.dll|\r\n0|sys|sys2\r\n1|new\\orvana|tools\\deep\\o\r\n",
                  false, false, true},
                 {QStringLiteral("new\\orvana"), "#!/bin/sh\necho " + version + "\n", false, false, true},
                 {QStringLiteral("help\\orvana.chm"), "new help " + version, false, false, true},
                 {QStringLiteral("sys\\a.so"), "a", false, false, true}});
        return PackageProcessor::processPackage(target(), QStringLiteral("mendrelparts.zip"), &view);
    };
    ASSERT_TRUE(update("new")) << logEntries().join(u'\n').toStdString();
    EXPECT_FALSE(exists(inTarget(QStringLiteral("old.dll"))));
    EXPECT_EQ(read(inTarget(QStringLiteral("sys2/a.so"))), "a");
    QProcess run;
    run.start(inTarget(QStringLiteral("orvana")), {});
    ASSERT_TRUE(run.waitForFinished(5000));
    EXPECT_EQ(run.readAllStandardOutput(), "new\n");
    ASSERT_EQ(UpdateBackup::backups(target()).size(), 1);

    QStringList steps;
    const auto rolledBack = UpdateBackup::rollback(target(), [&](const QString &s) { steps << s; });
    ASSERT_TRUE(rolledBack) << rolledBack.error().message.toStdString();
    EXPECT_EQ(treeOf(target()), before);
    EXPECT_FALSE(exists(inTarget(QStringLiteral(".vantelo-backup"))));
    EXPECT_TRUE(steps.contains(QStringLiteral("Rollback: restored ") + inTarget(QStringLiteral("orvana"))));
    EXPECT_FALSE(UpdateBackup::rollback(target(), [](const QString &) {})); // nothing left

    // Only the last three updates are kept.
    for (const char *v : {"1", "2", "3", "4"}) {
        ASSERT_TRUE(update(v));
        QThread::msleep(5);
    }
    EXPECT_EQ(UpdateBackup::backups(target()).size(), UpdateBackup::kKept);
    ASSERT_TRUE(UpdateBackup::rollback(target(), [](const QString &) {}));
    EXPECT_EQ(read(inTarget(QStringLiteral("help/orvana.chm"))), "new help 3");
}

// Links the update replaced (by unpacking and by File Copy) or deleted come back as the
// same links, and what they point to is never touched.
TEST_F(Processing, ARollbackPutsBackReplacedAndDeletedLinksAsLinks)
{
    write(inTarget(QStringLiteral("lib/libfoo.so.1")), "library 1");
    write(inTarget(QStringLiteral("orvana.cfg.real")), "settings");
    const auto link = [](const char *target, const QString &at) {
        ASSERT_EQ(::symlink(target, QFile::encodeName(at).constData()), 0) << at.toStdString();
    };
    link("libfoo.so.1", inTarget(QStringLiteral("lib/libfoo.so")));
    link("orvana.cfg.real", inTarget(QStringLiteral("orvana.cfg")));
    link("lib/libfoo.so.1", inTarget(QStringLiteral("current")));
    const auto linkOf = [this](const char *relative) {
        return QFile::symLinkTarget(inTarget(QLatin1String(relative)));
    };
    makeZip(package(), {{QStringLiteral("mendrelparts.INI"), "1|new.cfg|orvana.cfg\r\n3|current|\r\n"},
                        {QStringLiteral("lib/libfoo.so"), "library 2"},
                        {QStringLiteral("new.cfg"), "new settings"}});
    ASSERT_TRUE(PackageProcessor::processPackage(target(), QStringLiteral("mendrelparts.zip"), &view))
        << logEntries().join(u'\n').toStdString();
    ASSERT_FALSE(g_UpdateError) << logEntries().join(u'\n').toStdString();
    EXPECT_FALSE(QFileInfo(inTarget(QStringLiteral("lib/libfoo.so"))).isSymLink());
    EXPECT_EQ(read(inTarget(QStringLiteral("lib/libfoo.so"))), "library 2");
    EXPECT_EQ(read(inTarget(QStringLiteral("orvana.cfg"))), "new settings");
    EXPECT_FALSE(QFileInfo(inTarget(QStringLiteral("current"))).isSymLink());

    const auto rolledBack = UpdateBackup::rollback(target(), [](const QString &) {});
    ASSERT_TRUE(rolledBack) << rolledBack.error().message.toStdString();
    for (const char *l : {"lib/libfoo.so", "orvana.cfg", "current"})
        EXPECT_TRUE(QFileInfo(inTarget(QLatin1String(l))).isSymLink()) << l;
    EXPECT_EQ(linkOf("lib/libfoo.so"), inTarget(QStringLiteral("lib/libfoo.so.1")));
    EXPECT_EQ(linkOf("orvana.cfg"), inTarget(QStringLiteral("orvana.cfg.real")));
    EXPECT_EQ(linkOf("current"), inTarget(QStringLiteral("lib/libfoo.so.1")));
    EXPECT_EQ(read(inTarget(QStringLiteral("lib/libfoo.so.1"))), "library 1");
    EXPECT_EQ(read(inTarget(QStringLiteral("orvana.cfg.real"))), "settings");
}

TEST_F(Processing, AFailedUnpackLeavesTheFolderByteForByteAndNoDebris)
{
    write(inTarget(QStringLiteral("orvana")), "old");
    makeZip(package(), {{QStringLiteral("MENDRELPARTS.INI"), "3|orvana|\r\n"},
                        {QStringLiteral("orvana"), "new"},
                        {QStringLiteral("second"), "SECOND-ENTRY-DATA", false, false, false, -1, true}});
    QByteArray bytes = read(package());
    bytes[bytes.indexOf("SECOND-ENTRY") + 2] = '!';
    write(package(), bytes);
    QMap<QString, QByteArray> before = treeOf(target());
    EXPECT_FALSE(PackageProcessor::processPackage(target(), QStringLiteral("mendrelparts.zip"), &view));
    before.remove(QStringLiteral("mendrelparts.zip")); // its data is damaged: it goes
    EXPECT_EQ(treeOf(target()), before);               // and nothing else changed
    EXPECT_FALSE(exists(inTarget(QStringLiteral(".vantelo-backup"))));
    ASSERT_FALSE(m_ui.messages().isEmpty());
    EXPECT_EQ(m_ui.messages().at(0).title, QStringLiteral("Error During UnZIP"));
}

TEST_F(Processing, DebrisOfAKilledUpdaterIsRemovedButAPartialDownloadIsNot)
{
    write(inTarget(QStringLiteral(".vantelo-staging-Ab12Cd/3")), "staged");
    write(inTarget(QStringLiteral("bin/.vantelo-copy-XyZ789")), "half a copy");
    write(inTarget(QStringLiteral("bin/.vantelo-notes")), "not ours to judge");
    write(inTarget(QStringLiteral("mendrelparts.zip.part")), "resumable");
    const QStringList removed = modFileCopy::RemoveDebris(target());
    EXPECT_EQ(removed.size(), 2);
    EXPECT_FALSE(exists(inTarget(QStringLiteral(".vantelo-staging-Ab12Cd"))));
    EXPECT_FALSE(exists(inTarget(QStringLiteral("bin/.vantelo-copy-XyZ789"))));
    EXPECT_TRUE(exists(inTarget(QStringLiteral("bin/.vantelo-notes"))));
    EXPECT_TRUE(exists(inTarget(QStringLiteral("mendrelparts.zip.part"))));
    EXPECT_TRUE(modFileCopy::RemoveDebris(QStringLiteral("/")).isEmpty()); // never a whole disk
}
