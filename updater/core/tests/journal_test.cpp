// SPDX-License-Identifier: MIT
#include "updater/core/testsupport/UpdaterFixture.h"

#include "updater/core/PackageProcessor.h"
#include "updater/core/UpdateBackup.h"
#include "updater/core/UpdateJournal.h"

#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <sys/stat.h>
#include <unistd.h>

namespace {

QString fileName(int i)
{
    return QStringLiteral("files/d%1/f%2.dat").arg(i / 100, 2, 10, QChar(u'0')).arg(i, 4, 10, QChar(u'0'));
}

bool copyTree(const QString &from, const QString &to)
{
    QDir(to).removeRecursively();
    return QProcess::execute(QStringLiteral("cp"), {QStringLiteral("-a"), from, to}) == 0;
}

struct Applied {
    bool killed = false;
    int exitCode = -1;
    int steps = 0;
};

Applied applyInChild(const QString &folder, const QString &package, const QString &logFolder, int killAt)
{
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    if (killAt > 0)
        env.insert(QStringLiteral("VANTELO_TEST_KILL_AT_STEP"), QString::number(killAt));
    child.setProcessEnvironment(env);
    child.start(QStringLiteral(VANTELO_APPLY_PACKAGE), {folder, package, logFolder});
    Applied a;
    if (!child.waitForFinished(60000))
        return a;
    a.killed = child.exitStatus() == QProcess::CrashExit;
    a.exitCode = child.exitCode();
    const QByteArray out = child.readAllStandardOutput();
    if (out.startsWith("steps "))
        a.steps = out.mid(6).trimmed().toInt();
    return a;
}

} // namespace

class Journal : public UpdaterTest {
protected:
    QStringList recover(const QString &folder, bool *completed = nullptr)
    {
        QStringList lines;
        const auto r = UpdateBackup::recoverInterrupted(folder, [&](const QString &l) { lines << l; });
        EXPECT_TRUE(r) << (r ? std::string() : r.error().message.toStdString());
        if (completed)
            *completed = r && r->completed;
        return lines;
    }
};

// An updater killed at any moment of applying a package (the moves of the unpacking, the
// process file's copies and deletes, the end) leaves a folder that the next start puts back
// exactly as it was, or finds complete; never some files old and some new. The backups stay
// usable: a rollback afterwards undoes the last update that was really applied.
TEST_F(Journal, KilledAnywhereTheNextStartLeavesTheFolderWholeOldOrWholeNew)
{
    // A kill, unlike a power cut, leaves what the kernel holds, so the folders may live in
    // memory: thousands of file creations then take no disk's time.
    QTemporaryDir memory(QStringLiteral("/dev/shm/vantelo-journal-XXXXXX"));
    const QString base = memory.isValid() ? memory.path() : m_env.root();
    // v1: 1,500 files; the v1 -> v2 update (applied here, leaving its backup) replaces 1,000.
    const QString v1 = base + QStringLiteral("/v1");
    for (int i = 0; i < 1500; ++i)
        write(v1 + u'/' + fileName(i), "v1 " + QByteArray::number(i));
    write(v1 + QStringLiteral("/extra/a.txt"), "a1");
    write(v1 + QStringLiteral("/extra/b.txt"), "b1");
    write(v1 + QStringLiteral("/run.sh"), "#!/bin/sh\necho v1\n");
    ::chmod(QFile::encodeName(v1 + QStringLiteral("/run.sh")).constData(), 0755);
    ::symlink("files", QFile::encodeName(v1 + QStringLiteral("/current")).constData());
    const auto treeV1 = treeOf(v1, UpdaterRecords::Kept);

    QList<ZipItem> toV2;
    for (int i = 0; i < 1000; ++i)
        toV2 << ZipItem{fileName(i), "v2 " + QByteArray::number(i)};
    makeZip(v1 + QStringLiteral("/upd.zip"), toV2);
    ASSERT_TRUE(PackageProcessor::processPackage(v1, QStringLiteral("upd.zip")));
    const QString &v2 = v1; // now at v2, with the backup of v1
    ASSERT_EQ(UpdateBackup::backups(v2).size(), 1);
    const auto treeV2 = treeOf(v2);

    // The v2 -> v3 package: 2,000 files, half replacing (some of them replaced before, some
    // not), half new in new folders, and a process file that copies, copies a folder and deletes.
    QList<ZipItem> toV3;
    for (int i = 500; i < 2500; ++i)
        toV3 << ZipItem{fileName(i), "v3 " + QByteArray::number(i)};
    toV3 << ZipItem{QStringLiteral("run.sh"), "#!/bin/sh\necho v3\n"};
    toV3 << ZipItem{QStringLiteral("upd.INI"), "1|files\\d05\\f0501.dat|copied\\one.dat\r\n"
                                               "0|extra|copied\\extra\r\n"
                                               "1|files\\d06\\f0601.dat|extra\\a.txt\r\n"
                                               "3|files\\d00\\f0002.dat|x\r\n"};
    makeZip(v2 + QStringLiteral("/upd.zip"), toV3);
    const QString before = base + QStringLiteral("/before");
    ASSERT_TRUE(copyTree(v2, before));
    const auto treeBefore = treeOf(before, UpdaterRecords::Kept);

    // Once to its end: the finished update, and how many steps it takes.
    const QString work = base + QStringLiteral("/work");
    const QString logs = base + QStringLiteral("/logs");
    QDir().mkpath(logs);
    ASSERT_TRUE(copyTree(before, work));
    const Applied whole = applyInChild(work, QStringLiteral("upd.zip"), logs, 0);
    ASSERT_EQ(whole.exitCode, 0);
    ASSERT_GT(whole.steps, 3000);
    const auto treeV3 = treeOf(work);
    ASSERT_EQ(read(work + QStringLiteral("/files/d24/f2499.dat")), "v3 2499");
    ASSERT_EQ(read(work + QStringLiteral("/extra/a.txt")), "v3 601");
    ASSERT_FALSE(exists(work + QStringLiteral("/files/d00/f0002.dat")));

    // The folder is "before" again at the end of each round, so the next one starts there.
    ASSERT_TRUE(copyTree(before, work));
    QElapsedTimer clock;
    clock.start();
    int undone = 0;
    int completed = 0;
    constexpr int kPoints = 50;
    for (int k = 0; k < kPoints; ++k) {
        const int at = 1 + (whole.steps - 1) * k / (kPoints - 1);
        SCOPED_TRACE("killed at step " + std::to_string(at) + " of " + std::to_string(whole.steps));
        const Applied a = applyInChild(work, QStringLiteral("upd.zip"), logs, at);
        ASSERT_TRUE(a.killed);

        bool finished = false;
        const QStringList lines = recover(work, &finished);
        if (finished) {
            ++completed;
            EXPECT_TRUE(lines.contains(QStringLiteral("Interrupted update of %1 completed").arg(work)));
            ASSERT_EQ(treeOf(work), treeV3);
            ASSERT_EQ(UpdateBackup::backups(work).size(), 2);
            ASSERT_TRUE(UpdateBackup::rollback(work, [](const QString &) {}));
            ASSERT_EQ(treeOf(work), treeV2);
            ASSERT_TRUE(QFile::copy(before + QStringLiteral("/upd.zip"), work + QStringLiteral("/upd.zip")));
            ::chmod(QFile::encodeName(work + QStringLiteral("/upd.zip")).constData(), 0644);
            ASSERT_EQ(treeOf(work, UpdaterRecords::Kept), treeBefore);
        } else {
            ++undone;
            EXPECT_EQ(lines.filter(QStringLiteral("Interrupted update of %1 undone: ").arg(work)).size(), 1)
                << lines.join(u'\n').toStdString();
            ASSERT_EQ(treeOf(work, UpdaterRecords::Kept), treeBefore); // the backups too: nothing left over
            if (k % 10 == 0) {
                // The backup of the update applied before is the one a rollback takes.
                ASSERT_TRUE(UpdateBackup::rollback(work, [](const QString &) {}));
                QMap<QString, QByteArray> rolled = treeOf(work, UpdaterRecords::Kept);
                rolled.remove(QStringLiteral("upd.zip"));
                ASSERT_EQ(rolled, treeV1);
                ASSERT_TRUE(copyTree(before, work));
            }
        }
        // A second start finds nothing more to do.
        EXPECT_TRUE(recover(work).isEmpty());
    }
    EXPECT_GE(undone, 40);
    EXPECT_GE(completed, 1);
    std::printf("%d kills: %d undone, %d completed, %.1f s\n", kPoints, undone, completed,
                double(clock.elapsed()) / 1000.0);
}

// The next start's recovery leaves alone an update that another updater is applying now.
TEST_F(Journal, AnUpdateInProgressIsNotTakenForAnInterruptedOne)
{
    write(inTarget(QStringLiteral("a.txt")), "new");
    {
        UpdateBackup running(target());
        ASSERT_TRUE(running.beginJournal());
        ASSERT_TRUE(running.keep(inTarget(QStringLiteral("a.txt"))));
        write(inTarget(QStringLiteral("a.new")), "newer"); // replaced by a rename, as updates do
        ASSERT_EQ(::rename(QFile::encodeName(inTarget(QStringLiteral("a.new"))).constData(),
                           QFile::encodeName(inTarget(QStringLiteral("a.txt"))).constData()),
                  0);
        const auto r = UpdateBackup::recoverInterrupted(target(), [](const QString &) {});
        ASSERT_TRUE(r);
        EXPECT_TRUE(r->inUse);
        EXPECT_FALSE(r->found);
        EXPECT_EQ(read(inTarget(QStringLiteral("a.txt"))), "newer");
        EXPECT_FALSE(UpdateJournal::create(target())); // and no second update begins
    }
    // Its updater gone without an end, the same update is undone.
    const auto r = UpdateBackup::recoverInterrupted(target(), [](const QString &) {});
    ASSERT_TRUE(r);
    EXPECT_TRUE(r->found);
    EXPECT_EQ(r->putBack, 1);
    EXPECT_EQ(read(inTarget(QStringLiteral("a.txt"))), "new");
    EXPECT_FALSE(exists(inTarget(UpdateJournal::fileName())));
    EXPECT_FALSE(exists(inTarget(UpdateBackup::storeName())));
}
