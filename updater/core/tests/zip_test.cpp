#include "UpdaterFixture.h"

#include "Zip.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <zip.h>

using Unzip = UpdaterTest;

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
    QString reason;
    ASSERT_EQ(Zip::UnzipPackage(package, target(), &reason), 0) << reason.toStdString();
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
        QString reason;
        EXPECT_EQ(Zip::UnzipPackage(package, target(), &reason), c.error);
        EXPECT_FALSE(reason.isEmpty());
        EXPECT_FALSE(exists(inTarget(QStringLiteral("first.txt")))); // nothing written at all
        EXPECT_FALSE(exists(inTarget(QStringLiteral("link"))));
        EXPECT_TRUE(QDir(m_env.path(QStringLiteral("outside"))).isEmpty());
        EXPECT_FALSE(exists(m_env.path(QStringLiteral("x"))));
    }
}

TEST_F(Unzip, DamagedOrMissingArchivesGiveTheirErrorNumber)
{
    const QString package = inTarget(QStringLiteral("p.zip"));
    EXPECT_NE(Zip::UnzipPackage(package, target()), 0);
    write(package, "this is not a zip file at all, just text");
    EXPECT_EQ(Zip::UnzipPackage(package, target()), ZIP_ER_NOZIP);

    // A good archive cut short.
    makeZip(package, {{QStringLiteral("a.txt"), QByteArray(5000, 'a')}});
    QByteArray bytes = read(package);
    write(package, bytes.left(bytes.size() / 2));
    EXPECT_NE(Zip::UnzipPackage(package, target()), 0);
}
