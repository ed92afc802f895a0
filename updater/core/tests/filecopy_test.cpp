// SPDX-License-Identifier: MIT
#include "updater/core/testsupport/UpdaterFixture.h"

#include "updater/core/modFileCopy.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>

using namespace modFileCopy;

using FileCopy = UpdaterTest;

TEST_F(FileCopy, FolderExistsOnlyForFoldersWithOrWithoutTrailingSeparator)
{
    write(inTarget(QStringLiteral("dir/file.txt")), "x");
    EXPECT_TRUE(FolderExists(inTarget(QStringLiteral("dir"))));
    EXPECT_TRUE(FolderExists(inTarget(QStringLiteral("dir/"))));
    EXPECT_TRUE(FolderExists(inTarget(QStringLiteral("dir\\"))));
    EXPECT_FALSE(FolderExists(inTarget(QStringLiteral("dir/file.txt"))));
    EXPECT_FALSE(FolderExists(inTarget(QStringLiteral("missing"))));
}

TEST_F(FileCopy, CreateFolderPathMakesOnlyTheMissingLevels)
{
    QDir().mkpath(inTarget(QStringLiteral("A")));
    EXPECT_NE(CreateFolderPath(inTarget(QStringLiteral("A/B/C"))), 0);
    EXPECT_TRUE(QFileInfo(inTarget(QStringLiteral("A/B/C"))).isDir());
    EXPECT_EQ(CreateFolderPath(inTarget(QStringLiteral("A/B/C"))), 0); // all there
    EXPECT_NE(CreateFolderPath(inTarget(QStringLiteral("A\\D"))), 0);  // backslashes too
    EXPECT_TRUE(QFileInfo(inTarget(QStringLiteral("A/D"))).isDir());
}

TEST_F(FileCopy, BulkCopyCopiesFilesNotSubFoldersAndCountsDotEntries)
{
    write(inTarget(QStringLiteral("src/one.txt")), "new one");
    write(inTarget(QStringLiteral("src/.hidden")), "hidden");
    write(inTarget(QStringLiteral("src/sub/deep.txt")), "deep");
    write(inTarget(QStringLiteral("dst/one.txt")), "old one");
    QString pattern;
    // one.txt, .hidden, sub, "." and ".."
    EXPECT_EQ(BulkCopy(inTarget(QStringLiteral("src/")), inTarget(QStringLiteral("dst/")), pattern), 5);
    EXPECT_EQ(pattern, QStringLiteral("*.*"));
    EXPECT_EQ(read(inTarget(QStringLiteral("dst/one.txt"))), "new one");
    EXPECT_EQ(read(inTarget(QStringLiteral("dst/.hidden"))), "hidden");
    EXPECT_FALSE(exists(inTarget(QStringLiteral("dst/sub"))));
    EXPECT_TRUE(m_ui.calls.isEmpty());

    QString txt = QStringLiteral("*.TXT"); // letter case ignored, no dot entries
    EXPECT_EQ(BulkCopy(inTarget(QStringLiteral("src/")), inTarget(QStringLiteral("new/")), txt), 1);
    EXPECT_TRUE(exists(inTarget(QStringLiteral("new/one.txt"))));
}

TEST_F(FileCopy, BulkCopyIntoAMissingParentCountsButCopiesNothing)
{
    write(inTarget(QStringLiteral("src/one.txt")), "1");
    QString pattern = QStringLiteral("*.txt");
    EXPECT_EQ(BulkCopy(inTarget(QStringLiteral("src/")), inTarget(QStringLiteral("no/such/")), pattern), 1);
    EXPECT_FALSE(exists(inTarget(QStringLiteral("no"))));
}

TEST_F(FileCopy, BulkCopyWithNothingToCopyTellsTheUser)
{
    QString pattern = QStringLiteral("*.*");
    EXPECT_EQ(BulkCopy(inTarget(QStringLiteral("missing/")), inTarget(QStringLiteral("dst/")), pattern), 0);
    write(inTarget(QStringLiteral("src/a.dat")), "1");
    QString none = QStringLiteral("*.ocx");
    EXPECT_EQ(BulkCopy(inTarget(QStringLiteral("src/")), inTarget(QStringLiteral("dst/")), none), 0);
    ASSERT_EQ(m_ui.messages().size(), 2);
    EXPECT_EQ(m_ui.messages().at(0).text, QStringLiteral("No *.* files found."));
    EXPECT_EQ(m_ui.messages().at(0).title, QStringLiteral("Vantelo Update"));
    EXPECT_EQ(m_ui.messages().at(0).buttons, MsgButtons::Ok);
    EXPECT_EQ(m_ui.messages().at(1).text, QStringLiteral("No *.ocx files found."));
}

TEST_F(FileCopy, CopyReplacesByRenameKeepingTheReplacedFilesModeAndTheSourcesTime)
{
    // As unpacked from a package made on Windows: no execute bit on the new file.
    write(inTarget(QStringLiteral("new/tool")), "#!/bin/sh\necho new\n");
    QFile::setPermissions(inTarget(QStringLiteral("new/tool")),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    write(inTarget(QStringLiteral("bin/tool")), "old");
    ::chmod(QFile::encodeName(inTarget(QStringLiteral("bin/tool"))).constData(), 0750);
    struct stat before {};
    ASSERT_EQ(::stat(QFile::encodeName(inTarget(QStringLiteral("bin/tool"))).constData(), &before), 0);

    ASSERT_TRUE(CopyFileReplace(inTarget(QStringLiteral("new/tool")), inTarget(QStringLiteral("bin/tool"))));
    EXPECT_EQ(read(inTarget(QStringLiteral("bin/tool"))), "#!/bin/sh\necho new\n");
    struct stat after {};
    ASSERT_EQ(::stat(QFile::encodeName(inTarget(QStringLiteral("bin/tool"))).constData(), &after), 0);
    EXPECT_NE(after.st_ino, before.st_ino); // a running program keeps its old file
    EXPECT_EQ(after.st_mode & 07777, 0750u);
    EXPECT_EQ(QFileInfo(inTarget(QStringLiteral("bin/tool"))).lastModified(),
              QFileInfo(inTarget(QStringLiteral("new/tool"))).lastModified());
    EXPECT_EQ(QDir(inTarget(QStringLiteral("bin"))).entryList(QDir::Files | QDir::Hidden).size(), 1);

    // A new file takes the source's mode.
    ASSERT_TRUE(CopyFileReplace(inTarget(QStringLiteral("new/tool")), inTarget(QStringLiteral("bin/fresh"))));
    ASSERT_EQ(::stat(QFile::encodeName(inTarget(QStringLiteral("bin/fresh"))).constData(), &after), 0);
    EXPECT_EQ(after.st_mode & 0777, 0600u);
}

TEST_F(FileCopy, CopyFailuresAreNumberedAndLeaveNoTrace)
{
    auto copied = CopyFileReplace(inTarget(QStringLiteral("missing")), inTarget(QStringLiteral("x")));
    ASSERT_FALSE(copied);
    EXPECT_EQ(copied.error().code, 53);
    write(inTarget(QStringLiteral("a")), "a");
    copied = CopyFileReplace(inTarget(QStringLiteral("a")), inTarget(QStringLiteral("no/x")));
    ASSERT_FALSE(copied);
    EXPECT_EQ(copied.error().code, 76);
    QDir().mkpath(inTarget(QStringLiteral("folder")));
    EXPECT_FALSE(CopyFileReplace(inTarget(QStringLiteral("a")), inTarget(QStringLiteral("folder"))));
    EXPECT_EQ(QDir(target()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).size(), 2);
}

TEST(Wildcards, FollowTheWindowsRules)
{
    EXPECT_TRUE(MatchesPattern(QStringLiteral("a.tmp"), QStringLiteral("*.TMP")));
    EXPECT_TRUE(MatchesPattern(QStringLiteral("README"), QStringLiteral("*.*")));
    EXPECT_TRUE(MatchesPattern(QStringLiteral("x1.log"), QStringLiteral("x?.log")));
    EXPECT_FALSE(MatchesPattern(QStringLiteral("x12.log"), QStringLiteral("x?.log")));
    EXPECT_FALSE(MatchesPattern(QStringLiteral("a.tmp.bak"), QStringLiteral("*.tmp")));
    EXPECT_TRUE(MatchesPattern(QStringLiteral("a.b.c"), QStringLiteral("*.c")));
}
