// SPDX-License-Identifier: MIT
#include "updater/core/testsupport/UpdaterFixture.h"

#include "updater/core/ArchivePlan.h"
#include "updater/core/Zip.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <QProcess>

#include <zip.h>

#include <functional>
#include <sys/mount.h>
#include <sys/stat.h>

using Unzip = UpdaterTest;

namespace {
// 0 when unpacked; a failure without a number would read as success, so it shows as -1.
int errorNumber(const Result<> &unzipped)
{
    return unzipped ? 0 : (unzipped.error().code ? unzipped.error().code : -1);
}
} // namespace

TEST_F(Unzip, ExtractsFoldersAndReplacesFilesMatchingLetterCase)
{
    write(inTarget(QStringLiteral("bin/app.dll")), "old");
    write(inTarget(QStringLiteral("keep.txt")), "untouched");
    const QString package = inTarget(QStringLiteral("p.zip"));
    makeZip(package, {{QStringLiteral("BIN/App.dll"), "new"},
                      {QStringLiteral("Bin\\second.dll"), "2"}, // written on Windows
                      {QStringLiteral("docs/"), {}, true},
                      {QStringLiteral("docs/read me.txt"), "hello"},
                      {QStringLiteral("empty.dat"), {}}});
    const auto unzipped = Zip::UnzipPackage(package, target());
    ASSERT_TRUE(unzipped) << unzipped.error().message.toStdString();
    EXPECT_EQ(read(inTarget(QStringLiteral("bin/app.dll"))), "new");
    EXPECT_EQ(read(inTarget(QStringLiteral("bin/second.dll"))), "2");
    EXPECT_FALSE(exists(inTarget(QStringLiteral("BIN"))));
    EXPECT_EQ(read(inTarget(QStringLiteral("docs/read me.txt"))), "hello");
    EXPECT_TRUE(exists(inTarget(QStringLiteral("empty.dat"))));
    EXPECT_EQ(read(inTarget(QStringLiteral("keep.txt"))), "untouched");
    EXPECT_TRUE(exists(package)); // deleting it is the caller's business
    // No temporary files left behind.
    EXPECT_TRUE(QDir(inTarget(QStringLiteral("bin")))
                    .entryList({QStringLiteral(".vantelo*")}, QDir::Hidden | QDir::Files)
                    .isEmpty());
}

TEST_F(Unzip, UnsafeEntriesAreRefusedBeforeAnythingIsWritten)
{
    QDir().mkpath(m_env.path(QStringLiteral("outside")));
    QFile::link(m_env.path(QStringLiteral("outside")), inTarget(QStringLiteral("lnk")));
    struct Case {
        QString entry;
        bool symlink;
        int error;
    };
    const QList<Case> cases = {
        {QStringLiteral("../x"), false, Zip::UnsafeEntry},
        {QStringLiteral("sub/../../x"), false, Zip::UnsafeEntry},
        {QStringLiteral("..\\x"), false, Zip::UnsafeEntry},
        {m_env.path(QStringLiteral("outside/abs")), false, Zip::UnsafeEntry},
        {QStringLiteral("C:\\Windows\\x"), false, Zip::UnsafeEntry},
        {QStringLiteral("link"), true, Zip::SpecialEntry},
        {QStringLiteral("lnk/x"), false, Zip::OutsideFolder}, // through a link already there
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.entry.toStdString());
        const QString package = m_env.path(QStringLiteral("bad.zip"));
        makeZip(package, {{QStringLiteral("first.txt"), "1"}, {c.entry, "evil", false, c.symlink}});
        const auto unzipped = Zip::UnzipPackage(package, target());
        ASSERT_FALSE(unzipped);
        EXPECT_EQ(unzipped.error().code, c.error);
        EXPECT_FALSE(unzipped.error().message.isEmpty());
        EXPECT_FALSE(exists(inTarget(QStringLiteral("first.txt")))); // nothing written at all
        EXPECT_FALSE(exists(inTarget(QStringLiteral("link"))));
        EXPECT_TRUE(QDir(m_env.path(QStringLiteral("outside"))).isEmpty());
        EXPECT_FALSE(exists(m_env.path(QStringLiteral("x"))));
    }
}

TEST_F(Unzip, DamagedOrMissingArchivesGiveTheirErrorNumber)
{
    const QString package = inTarget(QStringLiteral("p.zip"));
    EXPECT_NE(errorNumber(Zip::UnzipPackage(package, target())), 0);
    write(package, "this is not a zip file at all, just text");
    EXPECT_EQ(errorNumber(Zip::UnzipPackage(package, target())), ZIP_ER_NOZIP);

    // A good archive cut short.
    makeZip(package, {{QStringLiteral("a.txt"), QByteArray(5000, 'a')}});
    QByteArray bytes = read(package);
    write(package, bytes.left(bytes.size() / 2));
    EXPECT_NE(errorNumber(Zip::UnzipPackage(package, target())), 0);
}

namespace {

QByteArray elf(const QByteArray &rest)
{
    return QByteArray("\x7f"
                      "ELF\x02\x01\x01",
                      7) +
           rest;
}

mode_t modeOf(const QString &path)
{
    struct stat st {};
    ::stat(QFile::encodeName(path).constData(), &st);
    return st.st_mode & 07777;
}

// A tmpfs of its own, for the file system's limits; the test is skipped where the
// machine does not let us mount one.
class Tmpfs final {
public:
    Tmpfs(const QString &where, const QByteArray &options) : m_where(where)
    {
        QDir().mkpath(where);
        m_mounted =
            ::mount("tmpfs", QFile::encodeName(where).constData(), "tmpfs", 0, options.constData()) == 0;
    }
    ~Tmpfs()
    {
        if (m_mounted)
            ::umount2(QFile::encodeName(m_where).constData(), MNT_DETACH);
    }
    bool mounted() const { return m_mounted; }

private:
    QString m_where;
    bool m_mounted = false;
};

} // namespace

TEST_F(Unzip, AWindowsMadePackageLeavesProgramsRunnable)
{
    const QString program = inTarget(QStringLiteral("orvana"));
    write(program, "#!/bin/sh\necho old\n");
    ::chmod(QFile::encodeName(program).constData(), 0755);
    write(inTarget(QStringLiteral("notes.txt")), "old notes");
    ::chmod(QFile::encodeName(inTarget(QStringLiteral("notes.txt"))).constData(), 0600);

    const QString package = m_env.path(QStringLiteral("p.zip"));
    makeZip(package, {{QStringLiteral("ORVANA"), "#!/bin/sh\necho updated\n", false, false, true},
                      {QStringLiteral("Notes.txt"), "new notes", false, false, true},
                      {QStringLiteral("new\\"), {}, true, false, true},
                      {QStringLiteral("new\\helper"), elf("helper"), false, false, true},
                      {QStringLiteral("new\\run.sh"), "#!/bin/sh\n", false, false, true},
                      {QStringLiteral("new\\readme.txt"), "#not a script", false, false, true},
                      {QStringLiteral("unix/own"), "x", false, false, false, 0700},
                      {QStringLiteral("unix/open"), "x", false, false, false, 0666}});
    const auto unzipped = Zip::UnzipPackage(package, target());
    ASSERT_TRUE(unzipped) << unzipped.error().message.toStdString();

    EXPECT_EQ(modeOf(program), 0755u); // replaced: keeps its own mode
    EXPECT_EQ(modeOf(inTarget(QStringLiteral("notes.txt"))), 0600u);
    EXPECT_EQ(modeOf(inTarget(QStringLiteral("new/helper"))), 0755u);
    EXPECT_EQ(modeOf(inTarget(QStringLiteral("new/run.sh"))), 0755u);
    EXPECT_EQ(modeOf(inTarget(QStringLiteral("new/readme.txt"))), 0644u);
    EXPECT_EQ(modeOf(inTarget(QStringLiteral("unix/own"))), 0700u);
    EXPECT_EQ(modeOf(inTarget(QStringLiteral("unix/open"))) & 0022, 0u);

    QProcess run;
    run.start(program, {});
    ASSERT_TRUE(run.waitForFinished(5000));
    EXPECT_EQ(run.readAllStandardOutput(), "updated\n");
    EXPECT_EQ(QDir(target()).entryList({QStringLiteral(".vantelo*")}, QDir::AllEntries | QDir::Hidden),
              QStringList());
}

TEST_F(Unzip, ADamagedPackageLeavesTheFolderAsItWas)
{
    write(inTarget(QStringLiteral("first.txt")), "old first");
    write(inTarget(QStringLiteral("sub/keep.txt")), "keep");
    const QMap<QString, QByteArray> before = treeOf(target());
    const QString package = m_env.path(QStringLiteral("bad.zip"));
    const QByteArray second = "SECOND-ENTRY-DATA-" + QByteArray(200, 'x');

    auto goodThenDamaged = [&](const std::function<void(QByteArray &)> &damage) {
        makeZip(package, {{QStringLiteral("first.txt"), "new first"},
                          {QStringLiteral("added/new.txt"), "new"},
                          {QStringLiteral("second.txt"), second, false, false, false, -1, true}});
        QByteArray bytes = read(package);
        damage(bytes);
        write(package, bytes);
    };
    struct Case {
        const char *what;
        std::function<void()> make;
    };
    const QList<Case> cases = {
        {"CRC error",
         [&] { goodThenDamaged([&](QByteArray &b) { b[b.indexOf("SECOND-ENTRY") + 3] = 'x'; }); }},
        {"declared size larger than the data",
         [&] {
             goodThenDamaged([&](QByteArray &b) {
                 // The third central directory record's uncompressed size.
                 qsizetype at = -1;
                 for (int k = 0; k < 3; ++k)
                     at = b.indexOf("PK\x01\x02", at + 1);
                 b[at + 24] = char(b[at + 24] + 10);
             });
         }},
        {"name too long",
         [&] {
             makeZip(package, {{QStringLiteral("first.txt"), "new first"},
                               {QStringLiteral("added/new.txt"), "new"},
                               {QString(300, u'n'), "x"}});
         }},
        {"a file that is also a folder",
         [&] {
             makeZip(package, {{QStringLiteral("first.txt"), "new first"},
                               {QStringLiteral("added/new.txt"), "new"},
                               {QStringLiteral("First.txt/inner"), "x"}});
         }},
        {"a file over an existing folder",
         [&] {
             makeZip(package, {{QStringLiteral("first.txt"), "new first"}, {QStringLiteral("SUB"), "x"}});
         }},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        c.make();
        const auto unzipped = Zip::UnzipPackage(package, target());
        ASSERT_FALSE(unzipped);
        EXPECT_NE(unzipped.error().code, 0);
        EXPECT_FALSE(unzipped.error().message.isEmpty());
        EXPECT_EQ(treeOf(target()), before);
    }
}

TEST_F(Unzip, APackageThatDoesNotFitIsRefusedAndAFailedMoveIsPutBack)
{
    const QString mount = m_env.path(QStringLiteral("small"));
    {
        Tmpfs fs(mount, "size=20m");
        if (!fs.mounted())
            GTEST_SKIP() << "cannot mount a tmpfs here";
        write(mount + QStringLiteral("/first.txt"), "old");
        const QString package = m_env.path(QStringLiteral("p.zip"));
        // 6 MB of zeros pack into a few kilobytes, but need their room unpacked.
        makeZip(package,
                {{QStringLiteral("first.txt"), "new"}, {QStringLiteral("big"), QByteArray(6 << 20, 0)}});
        const auto unzipped = Zip::UnzipPackage(package, mount);
        ASSERT_FALSE(unzipped);
        EXPECT_EQ(unzipped.error().code, Zip::NoRoom);
        EXPECT_TRUE(unzipped.error().message.contains(QStringLiteral("free")))
            << unzipped.error().message.toStdString();
        EXPECT_EQ(read(mount + QStringLiteral("/first.txt")), "old");
        makeZip(package,
                {{QStringLiteral("first.txt"), "new"}, {QStringLiteral("big"), QByteArray(1 << 20, 0)}});
        EXPECT_TRUE(Zip::UnzipPackage(package, mount)); // a package that fits, margin and all
        EXPECT_EQ(read(mount + QStringLiteral("/first.txt")), "new");
    }
    {
        // Room for the staged files and the kept one (tmpfs counts a link as an inode) but
        // not for the folder the move needs: the folder is left as it was.
        Tmpfs fs(mount, "size=64m,nr_inodes=7");
        ASSERT_TRUE(fs.mounted());
        write(mount + QStringLiteral("/a.txt"), "old a"); // root and a.txt: 2 inodes
        const QMap<QString, QByteArray> before = treeOf(mount);
        const QString package = m_env.path(QStringLiteral("p.zip"));
        makeZip(package, {{QStringLiteral("b.txt"), "new b"},
                          {QStringLiteral("newdir/c.txt"), "new c"},
                          {QStringLiteral("a.txt"), "new a"}});
        EXPECT_EQ(errorNumber(Zip::UnzipPackage(package, mount)), Zip::FolderFailed);
        EXPECT_EQ(treeOf(mount), before);
    }
}

TEST(ArchivePlanRoom, DeclaredSizesNearTheLimitNeverWrapTheRoomNeeded)
{
    std::vector<ArchivePlan::EntryInfo> entries(2);
    entries[0].name = QStringLiteral("a.bin");
    entries[0].size = ~std::uint64_t(0) - 10;
    entries[1].name = QStringLiteral("b.bin");
    entries[1].size = 1u << 20;
    const ArchivePlan::Plan p = ArchivePlan::plan(entries);
    EXPECT_EQ(p.diskBytes, ~std::uint64_t(0));
}
