// Show All Records and a search into the result grid (query, fill, hidden columns, fitted
// widths, first paint) against the sqlite3 shell running the same SELECT to /dev/null, on
// generated catalogues. Each fill runs in a child process of its own, so its peak memory is
// the whole program's.
//
//   bench-grid [--parts 100000,1000000] [--dir /tmp/grid-bench] [--runs 3] [--search seal]
#include "FlexGrid.h"
#include "modDB.h"
#include "modGlobal.h"
#include "modGrid.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>

#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char **environ;

namespace {

using Clock = std::chrono::steady_clock;

const QString kSelect =
    QStringLiteral("Select PartID, AsscWith as PartLink, PartNumber, PartDescription, Bin");

QString listSql(bool notIndexed)
{
    return kSelect + QStringLiteral(" from PARTS") +
           (notIndexed ? QStringLiteral(" NOT INDEXED") : QString()) + QStringLiteral(" Order By 3");
}

QString searchWhere(const QString &fragment)
{
    const QString q = modDB::SQLQuote(fragment);
    return QStringLiteral(" where PartNumber LIKE '%") + q + QStringLiteral("%' OR PartDescription LIKE '%") +
           q + QStringLiteral("%'");
}

QString searchSql(const QString &fragment, bool notIndexed)
{
    return kSelect + QStringLiteral(" from PARTS") +
           (notIndexed ? QStringLiteral(" NOT INDEXED") : QString()) + searchWhere(fragment) +
           QStringLiteral(" ORDER BY 3");
}

// Runs a program, its output to a pipe (kept) or /dev/null; the exit status.
int run(const std::vector<std::string> &args, std::string *output = nullptr)
{
    std::vector<char *> argv;
    for (const auto &a : args)
        argv.push_back(const_cast<char *>(a.c_str()));
    argv.push_back(nullptr);
    int fds[2] = {-1, -1};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (output) {
        if (pipe(fds) != 0)
            return -1;
        posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
        posix_spawn_file_actions_addclose(&actions, fds[0]);
    } else {
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    }
    pid_t pid = 0;
    const int rc = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (output) {
        close(fds[1]);
        char buf[4096];
        ssize_t n = 0;
        while ((n = read(fds[0], buf, sizeof buf)) > 0)
            output->append(buf, std::size_t(n));
        close(fds[0]);
    }
    if (rc != 0)
        return -1;
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

double bestOf(int runs, const std::function<double()> &once)
{
    once(); // warm the page cache
    double best = 1e9;
    for (int i = 0; i < runs; ++i)
        best = std::min(best, once());
    return best;
}

double sqliteShell(const QString &db, const QString &sql)
{
    const auto start = Clock::now();
    run({"sqlite3", db.toStdString(), sql.toStdString()});
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Bytes of the result's text, as the cells hold it.
long long textBytes(const QString &db, const QString &where)
{
    sqlite3 *h = nullptr;
    sqlite3_open_v2(db.toUtf8().constData(), &h, SQLITE_OPEN_READONLY, nullptr);
    const QString sql = QStringLiteral("SELECT sum(ifnull(length(CAST(PartID AS BLOB)),0) + "
                                       "ifnull(length(CAST(AsscWith AS BLOB)),0) + "
                                       "ifnull(length(CAST(PartNumber AS BLOB)),0) + "
                                       "ifnull(length(CAST(PartDescription AS BLOB)),0) + "
                                       "ifnull(length(CAST(Bin AS BLOB)),0)) FROM PARTS") +
                        where;
    sqlite3_stmt *st = nullptr;
    long long bytes = 0;
    if (sqlite3_prepare_v2(h, sql.toUtf8().constData(), -1, &st, nullptr) == SQLITE_OK &&
        sqlite3_step(st) == SQLITE_ROW)
        bytes = sqlite3_column_int64(st, 0);
    sqlite3_finalize(st);
    sqlite3_close(h);
    return bytes;
}

long currentRssKb()
{
    long pages = 0;
    long resident = 0;
    if (FILE *f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2)
            resident = 0;
        std::fclose(f);
    }
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

// The child: one fill of a shown grid, as the window does it. Prints
// "seconds peakKB startKB rows scrollMs".
int child(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QString db = QString::fromLocal8Bit(argv[3]);
    const QString sql = QString::fromLocal8Bit(argv[4]);
    modGlobal::LoadSettings();
    g_DbConnect = QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") + db;

    FlexGrid fg1;
    fg1.resize(1000, 700);
    fg1.show();
    modGrid::GridSet1(fg1);
    QCoreApplication::processEvents();
    const long startKb = currentRssKb();

    QElapsedTimer timer;
    timer.start();
    // g_LoadGrid's three steps, timed one by one.
    DataArray data;
    QStringList names;
    modDB::LoadArray(sql, data, names);
    const qint64 loaded = timer.nsecsElapsed();
    modGrid::GridSet1(fg1);
    modGrid::Array2Grid(std::move(data), fg1, names, 0);
    const qint64 filled = timer.nsecsElapsed();
    if (fg1.rows() > fg1.fixedRows()) {
        fg1.setColHidden(1, true);
        fg1.setColHidden(2, true);
        fg1.setCurrentCell(1, 1);
        fg1.select(1, 1, 1, fg1.cols() - 1);
    }
    const qint64 shaped = timer.nsecsElapsed();
    fg1.grab();
    const double seconds = double(timer.nsecsElapsed()) / 1e9;
    std::fprintf(stderr, "  (query %.3f s, fill %.3f s, columns and cursor %.3f s, first paint %.3f s)\n",
                 double(loaded) / 1e9, double(filled - loaded) / 1e9, double(shaped - filled) / 1e9,
                 seconds - double(shaped) / 1e9);

    // Smooth scrolling: a page move anywhere costs the same, whatever the size.
    QElapsedTimer scroll;
    scroll.start();
    const int steps = 20;
    for (int i = 1; i <= steps; ++i) {
        fg1.showCell(std::max(1, (fg1.rows() - 1) * i / steps), 3);
        fg1.grab();
    }
    const double scrollMs = double(scroll.nsecsElapsed()) / 1e6 / steps;

    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("%.6f %ld %ld %d %.3f\n", seconds, usage.ru_maxrss, startKb, fg1.rows() - 1, scrollMs);
    return 0;
}

struct Fill {
    double seconds = 1e9;
    long peakKb = 0;
    long startKb = 0;
    int rows = 0;
    double scrollMs = 0;
};

Fill ours(const char *self, const QString &db, const QString &sql, int runs)
{
    Fill best;
    for (int i = 0; i < runs + 1; ++i) { // the first run warms the page cache
        std::string out;
        if (run({self, "--child", "fill", db.toStdString(), sql.toStdString()}, &out) != 0) {
            std::fprintf(stderr, "the fill failed\n");
            return best;
        }
        Fill f;
        if (std::sscanf(out.c_str(), "%lf %ld %ld %d %lf", &f.seconds, &f.peakKb, &f.startKb, &f.rows,
                        &f.scrollMs) != 5)
            continue;
        if (i > 0 && f.seconds < best.seconds)
            best = f;
        best.peakKb = std::max(best.peakKb, f.peakKb);
    }
    return best;
}

void report(const char *what, const Fill &f, double shell, double shellNotIndexed, long long text)
{
    const double sqliteBest = std::min(shell, shellNotIndexed);
    const double mb = 1024.0 * 1024.0;
    std::printf("%s\n", what);
    std::printf("  rows %d, result text %.1f MB\n", f.rows, double(text) / mb);
    std::printf("  sqlite3 shell: %.3f s as is, %.3f s NOT INDEXED -> %.3f s\n", shell, shellNotIndexed,
                sqliteBest);
    std::printf("  orvana fill:   %.3f s = %.2f x sqlite3 (goal <= 1.5)\n", f.seconds,
                f.seconds / sqliteBest);
    std::printf(
        "  peak memory:   %.1f MB = %.2f x text (goal <= 3); %.1f MB above the idle window (%.2f x)\n",
        double(f.peakKb) * 1024 / mb, double(f.peakKb) * 1024 / double(text),
        double(f.peakKb - f.startKb) * 1024 / mb, double(f.peakKb - f.startKb) * 1024 / double(text));
    std::printf("  scrolling:     %.2f ms per page move and paint\n", f.scrollMs);
}

} // namespace

int main(int argc, char **argv)
{
    if (argc >= 5 && std::strcmp(argv[1], "--child") == 0)
        return child(argc, argv);

    QList<int> parts{100000, 1000000};
    QString dir = QStringLiteral("/tmp/grid-bench");
    QString fragment = QStringLiteral("seal");
    int runs = 3;
    for (int i = 1; i + 1 < argc; i += 2) {
        const QString value = QString::fromLocal8Bit(argv[i + 1]);
        if (std::strcmp(argv[i], "--parts") == 0) {
            parts.clear();
            for (const QString &p : value.split(u','))
                parts << p.toInt();
        } else if (std::strcmp(argv[i], "--dir") == 0) {
            dir = value;
        } else if (std::strcmp(argv[i], "--runs") == 0) {
            runs = std::max(1, value.toInt());
        } else if (std::strcmp(argv[i], "--search") == 0) {
            fragment = value;
        }
    }
    QDir().mkpath(dir);
    for (int n : parts) {
        const QString db = dir + QStringLiteral("/parts-%1.mdb").arg(n);
        if (!QFileInfo::exists(db) &&
            run({ORVANA_NEWDB, db.toStdString(), "--sample", std::to_string(n)}) != 0) {
            std::fprintf(stderr, "cannot create %s\n", qPrintable(db));
            return 1;
        }
        const Fill list = ours(argv[0], db, listSql(false), runs);
        const double shell = bestOf(runs, [&] { return sqliteShell(db, listSql(false)); });
        const double shellNi = bestOf(runs, [&] { return sqliteShell(db, listSql(true)); });
        report(qPrintable(QStringLiteral("Show All Records, %1 parts").arg(n)), list, shell, shellNi,
               textBytes(db, QString()));

        if (n == parts.last()) {
            const Fill found = ours(argv[0], db, searchSql(fragment, false), runs);
            const double s = bestOf(runs, [&] { return sqliteShell(db, searchSql(fragment, false)); });
            const double sNi = bestOf(runs, [&] { return sqliteShell(db, searchSql(fragment, true)); });
            report(qPrintable(QStringLiteral("Search \"%1\", %2 parts").arg(fragment).arg(n)), found, s, sNi,
                   textBytes(db, searchWhere(fragment)));
        }
    }
    return 0;
}
