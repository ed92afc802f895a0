// SPDX-License-Identifier: MIT
#include "common/core/PresenceBeacon.h"
#include "common/testsupport/TestEnv.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QThread>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

namespace {
bool waitFor(const std::function<bool()> &condition)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 5000) {
        if (condition())
            return true;
        QThread::msleep(20);
    }
    return false;
}
} // namespace

TEST(Beacon, SeenFromAnotherProcessAndReleasedWhenItIsKilled)
{
    TestEnv env;
    EXPECT_FALSE(IsWindowOpen(QStringLiteral("Orvana")));
    QProcess holder;
    holder.start(QStringLiteral(BEACON_HOLDER), {QStringLiteral("Orvana")});
    ASSERT_TRUE(holder.waitForStarted());
    ASSERT_TRUE(holder.waitForReadyRead(5000)); // it says when it holds the beacon
    EXPECT_TRUE(IsWindowOpen(QStringLiteral("Orvana")));
    EXPECT_FALSE(IsWindowOpen(QStringLiteral("Carvell")));
    EXPECT_FALSE(IsWindowOpen(QStringLiteral("orvana"))); // titles match exactly

    holder.kill(); // SIGKILL: no chance to clean up
    holder.waitForFinished();
    EXPECT_TRUE(waitFor([] { return !IsWindowOpen(QStringLiteral("Orvana")); }));
}

TEST(Beacon, HeldInProcessAndReleasedOnDestruction)
{
    TestEnv env;
    {
        PresenceBeacon b(QStringLiteral("Dunmore Service Management System"));
        ASSERT_TRUE(b.held());
        EXPECT_TRUE(IsWindowOpen(QStringLiteral("Dunmore Service Management System")));
    }
    EXPECT_FALSE(IsWindowOpen(QStringLiteral("Dunmore Service Management System")));
}

TEST(Beacon, WithoutARuntimeFolderTheUsersOwnOrAPrivateFolderIsUsed)
{
    TestEnv env;
    const QString run = env.path(QStringLiteral("run/user"));
    const QString tmp = env.path(QStringLiteral("tmp"));
    QDir().mkpath(tmp);
    const unsigned me = ::getuid();
    PresenceBeacon::Places places;
    places.uid = me;
    places.runUser = run;
    places.tmp = tmp;

    places.runtimeDir = QStringLiteral("/somewhere");
    EXPECT_EQ(PresenceBeacon::lockFolder(places, false), QStringLiteral("/somewhere/vantelo"));
    places.runtimeDir.clear();

    // The user's own /run/user/<uid>: under sudo, the invoking user's.
    QDir().mkpath(run + QStringLiteral("/%1").arg(me));
    EXPECT_EQ(PresenceBeacon::lockFolder(places, false), run + QStringLiteral("/%1/vantelo").arg(me));
    if (me == 0) {
        const QString theirs = run + QStringLiteral("/1000");
        QDir().mkpath(theirs);
        ASSERT_EQ(::chown(QFile::encodeName(theirs).constData(), 1000, 1000), 0);
        places.sudoUid = QStringLiteral("1000");
        EXPECT_EQ(PresenceBeacon::lockFolder(places, false), theirs + QStringLiteral("/vantelo"));
        places.sudoUid.clear();
    }

    // Otherwise a private folder, made 0700.
    QDir(run).removeRecursively();
    const QString mine = tmp + QStringLiteral("/vantelo-%1").arg(me);
    EXPECT_EQ(PresenceBeacon::lockFolder(places, true), mine);
    struct stat st {};
    ASSERT_EQ(::lstat(QFile::encodeName(mine).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    EXPECT_EQ(st.st_uid, me);

    // Refused when anyone else could have put it there or may write to it.
    ::chmod(QFile::encodeName(mine).constData(), 0777);
    EXPECT_EQ(PresenceBeacon::lockFolder(places, true), QString());
    QDir().rmdir(mine);
    ASSERT_TRUE(QFile::link(tmp, mine)); // a link planted in its place
    EXPECT_EQ(PresenceBeacon::lockFolder(places, true), QString());
    QFile::remove(mine);
    if (me == 0) {
        QDir().mkdir(mine);
        ::chmod(QFile::encodeName(mine).constData(), 0700);
        ASSERT_EQ(::chown(QFile::encodeName(mine).constData(), 1000, 1000), 0);
        EXPECT_EQ(PresenceBeacon::lockFolder(places, true), QString()); // another user's
        // Under sudo the invoking user's folder is theirs, and one made for them is given to them.
        const QString theirs = tmp + QStringLiteral("/vantelo-1000");
        QDir().mkdir(theirs);
        ::chmod(QFile::encodeName(theirs).constData(), 0700);
        ASSERT_EQ(::chown(QFile::encodeName(theirs).constData(), 1000, 1000), 0);
        places.sudoUid = QStringLiteral("1000");
        EXPECT_EQ(PresenceBeacon::lockFolder(places, true), theirs);
        places.sudoUid = QStringLiteral("1001");
        const QString made = tmp + QStringLiteral("/vantelo-1001");
        EXPECT_EQ(PresenceBeacon::lockFolder(places, true), made);
        ASSERT_EQ(::lstat(QFile::encodeName(made).constData(), &st), 0);
        EXPECT_EQ(st.st_uid, 1001u);
    }
}

TEST(Beacon, SeenAcrossSudoWithoutXdgRuntimeDir)
{
    // The catalogue runs as the user with its runtime folder; the updater, started with
    // sudo, has no XDG_RUNTIME_DIR but finds the same beacon through /run/user/<uid>.
    const unsigned me = ::getuid();
    const QString runUser = QStringLiteral("/run/user/%1").arg(me);
    if (!QFileInfo(runUser).isDir())
        GTEST_SKIP() << "no " << runUser.toStdString() << " here";
    TestEnv env;
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runUser));
    PresenceBeacon b(QStringLiteral("Orvana test beacon"));
    ASSERT_TRUE(b.held());
    qunsetenv("XDG_RUNTIME_DIR");
    qputenv("SUDO_UID", QByteArray::number(me));
    EXPECT_TRUE(IsWindowOpen(QStringLiteral("Orvana test beacon")));
    qunsetenv("SUDO_UID");
}
