#include "PresenceBeacon.h"
#include "TestEnv.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QThread>

#include <gtest/gtest.h>

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
