// SPDX-License-Identifier: MIT
// Times the updater's unpacking and process-file copying beside the standard tools,
// on the same data in the same run:
//   1. a 100 MB package of 2,000 files: Zip::UnzipPackage (every entry checked and
//      staged before anything is replaced) against `unzip -o -q`, into an empty folder,
//      over the files of the previous run, and over them keeping the replaced files
//      for a rollback as an update does; and that last one with the update's journal
//      (records written ahead, the end flushed to disk) against it without;
//   2. a process file of 2,000 File Copy lines (RunBatchIni, with its log) against
//      `cp` of the same files. The interpreter's fixed pauses are not part of it.
// Data lives in the work folder (default /tmp/vantelo-bench-unzip) and is removed.

#include "common/core/Platform.h"
#include "common/core/Timings.h"
#include "updater/core/PackageProcessor.h"
#include "updater/core/UpdateBackup.h"
#include "updater/core/Zip.h"
#include "updater/core/modService.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>

#include <zip.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kFiles = 2000;
constexpr qint64 kTotalBytes = 100LL * 1024 * 1024;
constexpr int kRounds = 5;

// Half text that deflates well, half noise that does not: a package of programs and
// data files compresses about like this.
QByteArray fileContent(QRandomGenerator &rng, qint64 size)
{
    static const QByteArray words = "part number description bin location supplier quantity price ";
    QByteArray data;
    data.reserve(size);
    while (data.size() < size) {
        if (rng.bounded(2) == 0) {
            for (int i = 0; i < 64 && data.size() < size; ++i)
                data += words.mid(rng.bounded(int(words.size()) - 8), 8);
        } else {
            for (int i = 0; i < 128 && data.size() < size; ++i) {
                const quint32 v = rng.generate();
                data.append(reinterpret_cast<const char *>(&v), 4);
            }
        }
    }
    data.truncate(size);
    return data;
}

void makeData(const QString &work)
{
    QRandomGenerator rng(42);
    const qint64 each = kTotalBytes / kFiles;
    for (int i = 0; i < kFiles; ++i) {
        const QString path =
            work + QStringLiteral("/files/d%1/f%2.dat").arg(i % 20).arg(i, 4, 10, QChar(u'0'));
        QDir().mkpath(path.section(u'/', 0, -2));
        QFile f(path);
        if (f.open(QIODevice::WriteOnly))
            f.write(fileContent(rng, each));
    }
}

bool makePackage(const QString &work, const QString &package)
{
    int error = 0;
    zip_t *za = zip_open(QFile::encodeName(package).constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (!za)
        return false;
    for (int i = 0; i < kFiles; ++i) {
        const QString rel = QStringLiteral("files/d%1/f%2.dat").arg(i % 20).arg(i, 4, 10, QChar(u'0'));
        zip_source_t *src = zip_source_file(za, QFile::encodeName(work + u'/' + rel).constData(), 0, -1);
        if (!src || zip_file_add(za, rel.toUtf8().constData(), src, ZIP_FL_ENC_UTF_8) < 0)
            return false;
    }
    return zip_close(za) == 0;
}

double timeMs(const std::function<void()> &work)
{
    QElapsedTimer t;
    t.start();
    work();
    return double(t.nsecsElapsed()) / 1e6;
}

bool runTool(const QString &program, const QStringList &arguments)
{
    QProcess p;
    p.start(program, arguments);
    return p.waitForFinished(-1) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

void report(const char *what, const std::vector<double> &ours, const std::vector<double> &theirs,
            const char *tool, double goal)
{
    const double o = median(ours);
    const double t = median(theirs);
    std::printf("%-34s ours %8.1f ms   %-10s %8.1f ms   ratio %.2f (goal <= %.1f) %s\n", what, o, tool, t,
                o / t, goal, o / t <= goal ? "met" : "NOT MET");
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QString work =
        argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("/tmp/vantelo-bench-unzip");
    QDir(work).removeRecursively();
    QDir().mkpath(work + QStringLiteral("/program"));
    Platform::setProgramFolder(work + QStringLiteral("/program"));
    timings().scale(0.0); // the fixed pauses are not what is measured

    std::printf("Preparing %d files, %lld MB, in %s ...\n", kFiles, kTotalBytes >> 20, qPrintable(work));
    makeData(work);
    const QString package = work + QStringLiteral("/package.zip");
    if (!makePackage(work, package)) {
        std::fprintf(stderr, "cannot make the package\n");
        return 1;
    }
    std::printf("Package: %.1f MB compressed\n\n", double(QFile(package).size()) / (1 << 20));

    std::vector<double> oursFresh, unzipFresh, oursOver, unzipOver, oursKept, unzipKept, plainKept,
        journalled;
    for (int round = 0; round < kRounds; ++round) {
        const QString a = work + QStringLiteral("/out-ours");
        const QString b = work + QStringLiteral("/out-unzip");
        QDir(a).removeRecursively();
        QDir(b).removeRecursively();
        QDir().mkpath(a);
        QDir().mkpath(b);
        int rc = 0;
        oursFresh.push_back(timeMs([&] { rc = Zip::UnzipPackage(package, a) ? 0 : 1; }));
        bool ok = true;
        unzipFresh.push_back(timeMs([&] {
            ok = runTool(QStringLiteral("unzip"),
                         {QStringLiteral("-o"), QStringLiteral("-q"), package, QStringLiteral("-d"), b});
        }));
        oursOver.push_back(timeMs([&] { rc |= Zip::UnzipPackage(package, a) ? 0 : 1; }));
        unzipOver.push_back(timeMs([&] {
            ok = ok && runTool(QStringLiteral("unzip"), {QStringLiteral("-o"), QStringLiteral("-q"), package,
                                                         QStringLiteral("-d"), b});
        }));
        oursKept.push_back(timeMs([&] {
            UpdateBackup backup(a);
            rc |= Zip::UnzipPackage(package, a, &backup) ? 0 : 1;
            rc |= backup.save() ? 0 : 1;
        }));
        QDir(a + u'/' + UpdateBackup::storeName()).removeRecursively();
        unzipKept.push_back(timeMs([&] {
            ok = ok && runTool(QStringLiteral("unzip"), {QStringLiteral("-o"), QStringLiteral("-q"), package,
                                                         QStringLiteral("-d"), b});
        }));
        // Each from a file system with nothing left to write, so neither pays the other's flush.
        ::sync();
        plainKept.push_back(timeMs([&] {
            UpdateBackup backup(a);
            rc |= Zip::UnzipPackage(package, a, &backup) ? 0 : 1;
            rc |= backup.save() ? 0 : 1;
        }));
        QDir(a + u'/' + UpdateBackup::storeName()).removeRecursively();
        ::sync();
        journalled.push_back(timeMs([&] {
            UpdateBackup backup(a);
            rc |= backup.beginJournal() ? 0 : 1;
            rc |= Zip::UnzipPackage(package, a, &backup) ? 0 : 1;
            rc |= backup.commit() ? 0 : 1;
        }));
        QDir(a + u'/' + UpdateBackup::storeName()).removeRecursively();
        if (rc != 0 || !ok) {
            std::fprintf(stderr, "unpacking failed (ours %d, unzip %s)\n", rc, ok ? "ok" : "failed");
            return 1;
        }
    }
    report("unpack 100 MB, empty folder", oursFresh, unzipFresh, "unzip -o", 1.3);
    report("unpack 100 MB, over its files", oursOver, unzipOver, "unzip -o", 1.3);
    report("  the same, kept for a rollback", oursKept, unzipKept, "unzip -o", 1.3);
    report("  the same, journalled", journalled, plainKept, "no journal", 1.2);

    // 2,000 File Copy lines against one cp of the same files.
    QByteArray script;
    QStringList sources;
    for (int i = 0; i < kFiles; ++i) {
        const QString rel = QStringLiteral("files\\d%1\\f%2.dat").arg(i % 20).arg(i, 4, 10, QChar(u'0'));
        script += "1|" + rel.toUtf8() + "|copied\\" + rel.section(u'\\', 2).toUtf8() + "\r\n";
        sources << work + u'/' + QString(rel).replace(u'\\', u'/');
    }
    std::vector<double> oursCopy, cpCopy;
    g_TargetFolder = work;
    for (int round = 0; round < kRounds; ++round) {
        QDir(work + QStringLiteral("/copied")).removeRecursively();
        QDir(work + QStringLiteral("/cp")).removeRecursively();
        modService::ResetLog();
        const QString ini = work + QStringLiteral("/bench.INI");
        QFile f(ini);
        if (!f.open(QIODevice::WriteOnly) || f.write(script) != script.size())
            return 1;
        f.close();
        g_UpdateError = false;
        short result = 0;
        oursCopy.push_back(timeMs([&] { result = PackageProcessor().RunBatchIni(ini); }));
        bool ok = true;
        cpCopy.push_back(timeMs([&] {
            QDir().mkpath(work + QStringLiteral("/cp"));
            ok = runTool(QStringLiteral("cp"),
                         QStringList{QStringLiteral("-t"), work + QStringLiteral("/cp")} + sources);
        }));
        if (result != PackageProcessor::Completed || g_UpdateError || !ok ||
            QDir(work + QStringLiteral("/copied")).count() != uint(kFiles + 2)) {
            std::fprintf(stderr, "copying failed\n");
            return 1;
        }
    }
    report("2,000 File Copy lines", oursCopy, cpCopy, "cp", 1.5);
    std::printf(
        "\n(median of %d rounds; the copy includes the interpreter's log, one open and close per entry)\n",
        kRounds);

    QDir(work).removeRecursively();
    return 0;
}
