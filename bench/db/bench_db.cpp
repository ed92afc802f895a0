// SPDX-License-Identifier: MIT
// LoadArray of the part lists against the sqlite3 shell (output to /dev/null) on the same
// catalogue, running the same statement and the same statement with NOT INDEXED, and the
// memory the data array takes against the bytes of its text. Then the same lists on a
// PostgreSQL server of the benchmark's own, through ODBC, against psql. And the CSV export of
// a million parts against the shell's -csv output of the same statement, and the import of
// 100,000 parts into an empty catalogue against the shell's .import of the same file.
#include "catalogue/core/CsvExport.h"
#include "catalogue/core/CsvImport.h"
#include "catalogue/core/PartHistory.h"
#include "catalogue/core/PartSearch.h"
#include "catalogue/core/PgDialect.h"
#include "catalogue/core/UpdateField.h"
#include "catalogue/core/modDB.h"
#include "catalogue/core/modGlobal.h"
#include "catalogue/core/testsupport/PgTestServer.h"

#include <QFile>
#include <QFileInfo>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <span>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace {

using Clock = std::chrono::steady_clock;

double seconds(Clock::time_point since)
{
    return std::chrono::duration<double>(Clock::now() - since).count();
}

// Runs a program with its output sent to /dev/null (or to the file `out`); false when it did
// not succeed.
bool run(const std::vector<std::string> &args, const char *out = "/dev/null")
{
    std::vector<char *> argv;
    argv.reserve(args.size() + 1);
    for (const auto &a : args)
        argv.push_back(const_cast<char *>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, out, O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_t pid = 0;
    const int rc = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0)
        return false;
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

template <typename F> double best(int runs, F f)
{
    f(); // warm the page cache and the engine
    double t = 1e9;
    for (int i = 0; i < runs; ++i) {
        const auto start = Clock::now();
        f();
        t = std::min(t, seconds(start));
    }
    return t;
}

// The medians of `rounds` timings of `a` and of `b`, taking turns (and turns at going first),
// so that a slow spell of the shared disk falls on both alike.
template <typename A, typename B> std::pair<double, double> alternating(int rounds, A a, B b)
{
    a(); // warm the page cache and the engine
    b();
    const auto timed = [](auto &f) {
        const auto start = Clock::now();
        f();
        return seconds(start);
    };
    std::vector<double> ta, tb;
    for (int i = 0; i < rounds; ++i) {
        if (i % 2 == 0) {
            ta.push_back(timed(a));
            tb.push_back(timed(b));
        } else {
            tb.push_back(timed(b));
            ta.push_back(timed(a));
        }
    }
    const auto median = [](std::vector<double> &t) {
        std::sort(t.begin(), t.end());
        return t.size() % 2 ? t[t.size() / 2] : (t[t.size() / 2 - 1] + t[t.size() / 2]) / 2;
    };
    return {median(ta), median(tb)};
}

struct Statement {
    const char *name;
    QString sql, notIndexed;
    DbConnection::Narrowing narrowing; // a part search's, as the window reads it
};

// The PostgreSQL row: catalogues made with orvana-newdb "DSN=..." on the benchmark's own
// server; psql runs the statement LoadArray sends (after the dialect step), unaligned, to
// /dev/null.
bool benchServer(const QStringList &sizes, const Statement (&statements)[2], int runs)
{
    PgTestServer *server = PgTestServer::shared();
    if (!server) {
        std::printf("PostgreSQL: skipped, %s\n", qPrintable(PgTestServer::reason()));
        return true;
    }
    std::printf("\n%-9s %-11s %8s %11s %13s %7s  %s\n", "parts", "PostgreSQL", "rows", "LoadArray",
                "psql same", "ratio", "goal <= 1.5");
    bool met = true;
    for (const QString &size : sizes) {
        const QString database = server->createDatabase();
        g_DbConnect = server->dataSource(database);
        const auto start = Clock::now();
        if (!run({ORVANA_NEWDB, g_DbConnect.toStdString(), "--sample", size.toStdString()})) {
            std::fprintf(stderr, "cannot create the catalogue on the server\n");
            return false;
        }
        std::printf("%-9s (catalogue made on the server in %.1f s)\n", qPrintable(size), seconds(start));
        std::vector<std::string> psql{"psql", "-X", "-q", "-A", "-t"};
        for (const QString &a : server->psqlArguments(database))
            psql.push_back(a.toStdString());
        for (const Statement &s : statements) {
            DataArray data;
            QStringList names;
            const double ours = best(runs, [&] {
                if (modDB::LoadArray(s.sql, data, names, s.narrowing) != 0)
                    std::exit(1);
            });
            auto command = psql;
            command.push_back("-c");
            command.push_back(PgDialect::statement(s.sql).toStdString());
            const double theirs = best(runs, [&] { run(command); });
            const double ratio = ours / theirs;
            met = met && ratio <= 1.5;
            std::printf("%-9s %-11s %8d %9.3f s %11.3f s %7.2f  %s\n", qPrintable(size), s.name,
                        data.rowCount(), ours, theirs, ratio, ratio <= 1.5 ? "met" : "MISSED");
            std::fflush(stdout);
        }
    }
    return met;
}

// The next `count` parts by PartID, from the catalogue as it is now.
QList<std::int64_t> nextParts(int count)
{
    DataArray data;
    QStringList names;
    if (modDB::LoadArray(QStringLiteral("SELECT TOP %1 PartID FROM PARTS ORDER BY PartID").arg(count), data,
                         names) != 0)
        std::exit(1);
    QList<std::int64_t> ids;
    for (int r = 0; r < data.rowCount(); ++r)
        ids << data.text(0, r).toLongLong();
    return ids;
}

// A typed edit and a Delete of 1,000 parts, each with its history row(s) and as the same
// statements without them (one transaction on one connection): medians of rounds taking
// turns, on a copy of the catalogue, so that the parts deleted are there for the next run.
bool benchHistory(const QString &size, int runs)
{
    constexpr int kEdits = 100;
    constexpr int kDeleted = 1000;
    const int rounds = std::max(31, 4 * runs + 1); // the disk's spells are long: many short rounds
    if (!PartHistory::ensure())
        return false;
    const QList<std::int64_t> edited = nextParts(kEdits);
    StructureArray record;
    {
        DataArray data;
        QStringList names;
        modDB::LoadArray(QStringLiteral("Select * from parts where PartID = ") +
                             QString::number(edited.front()),
                         data, names, record);
    }
    int round = 0;
    auto [plainEdit, keptEdit] = alternating(
        rounds,
        [&] {
            ++round;
            for (const std::int64_t id : edited)
                modDB::RunTransaction([&](DbConnection &c, QString &) {
                    c.execute(QStringLiteral("UPDATE PARTS SET [Bin] = 'P-%1' WHERE PartID = %2")
                                  .arg(round)
                                  .arg(id));
                });
        },
        [&] {
            ++round;
            for (const std::int64_t id : edited)
                modDB::UpdateField(std::int32_t(id), QStringLiteral("Bin"), record,
                                   QStringLiteral("H-%1").arg(round));
        });
    plainEdit /= kEdits;
    keptEdit /= kEdits;
    const auto [plainDelete, keptDelete] = alternating(
        rounds,
        [&] {
            const QList<std::int64_t> ids = nextParts(kDeleted);
            // As the history's Delete removes them: 500 a statement.
            modDB::RunTransaction([&](DbConnection &c, QString &) {
                for (qsizetype from = 0; from < ids.size(); from += 500) {
                    QStringList batch;
                    for (const std::int64_t id : ids.mid(from, 500))
                        batch << QString::number(id);
                    c.execute(QStringLiteral("Delete from PARTS where PartID IN (") + batch.join(u',') +
                              u')');
                }
            });
        },
        [&] { PartHistory::deleteParts(nextParts(kDeleted)); });
    // A part with 10,000 changes, as Edit > History reads it.
    const std::int64_t busy = edited.front();
    if (modDB::RunSQL(
            QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < "
                           "10000) INSERT INTO PARTS_History (ChangedAt, ChangedBy, PartID, PartNumber, "
                           "Change, ValueBefore, ValueAfter) SELECT '2026-01-01T00:00:00.000Z', "
                           "'bench-db', %1, 'P', 'Qty', i - 1, i FROM n")
                .arg(busy)) != 0)
        return false;
    qsizetype read = 0;
    const double historyRead = best(runs, [&] { read = PartHistory::partHistory(busy).size(); });
    std::printf("%-9s history of a part with %lld changes read in %.1f ms\n", qPrintable(size),
                static_cast<long long>(read), historyRead * 1e3);
    const double editRatio = keptEdit / plainEdit, deleteRatio = keptDelete / plainDelete;
    std::printf("%-9s typed edit: %.3f ms with history, %.3f ms without, %.2f times; Delete of %d parts: "
                "%.3f s with history, %.3f s without, %.2f times (goal <= 1.2: %s)\n",
                qPrintable(size), keptEdit * 1e3, plainEdit * 1e3, editRatio, kDeleted, keptDelete,
                plainDelete, deleteRatio, editRatio <= 1.2 && deleteRatio <= 1.2 ? "met" : "MISSED");
    return editRatio <= 1.2 && deleteRatio <= 1.2;
}

// A catalogue of `size` generated parts in `dir`, made once and kept for later runs.
QString sampleCatalogue(const QString &dir, const QString &size)
{
    QString file = dir + QStringLiteral("/orvana-bench-") + size + QStringLiteral(".mdb");
    if (!QFileInfo::exists(file) &&
        !run({ORVANA_NEWDB, file.toStdString(), "--sample", size.toStdString()})) {
        std::fprintf(stderr, "cannot create %s\n", qPrintable(file));
        std::exit(1);
    }
    return file;
}

QString connectTo(const QString &file)
{
    return QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") + file;
}

bool benchCsv(const QString &dir, const QString &exportSize, const QString &importSize, int runs)
{
    bool met = true;
    const auto line = [&](const char *what, const QString &size, double ours, double shell, double goal) {
        const double ratio = ours / shell;
        met = met && ratio <= goal;
        std::printf("%-9s %-22s %9.3f s %11.3f s %7.2f  <= %.1f %s\n", qPrintable(size), what, ours, shell,
                    ratio, goal, ratio <= goal ? "met" : "MISSED");
        std::fflush(stdout);
    };
    std::printf("%-9s %-22s %11s %13s %7s  %s\n", "parts", "CSV", "orvana", "sqlite3", "ratio", "goal");

    // Export: the list of Show All Records with every column, against the shell writing the
    // same statement's rows as CSV into a file.
    const QString fields = QStringLiteral("PartDescription, Bin, Qty, Price, LastOrdered, Notes");
    const QString sql = PartSearch::selectList(fields) + QStringLiteral(" from PARTS Order By 3");
    const std::string catalogue = sampleCatalogue(dir, exportSize).toStdString();
    g_DbConnect = connectTo(QString::fromStdString(catalogue));
    const QString out = dir + QStringLiteral("/orvana-bench-export.csv");
    const double ours = best(runs, [&] {
        if (!CsvExport::writeAllParts(out, fields))
            std::exit(1);
    });
    const std::string shellOut = (dir + QStringLiteral("/orvana-bench-export-sqlite3.csv")).toStdString();
    const double shell = best(runs, [&] {
        run({"sqlite3", "-csv", "-header", catalogue, sql.toStdString()}, shellOut.c_str());
    });
    line("export", exportSize, ours, shell, 1.5);

    // Import: the same columns of the smaller catalogue, exported (PartID and PartLink are
    // PARTS's first two columns, so the shell takes the file as it is), into a new catalogue.
    g_DbConnect = connectTo(sampleCatalogue(dir, importSize));
    const QString file = dir + QStringLiteral("/orvana-bench-import.csv");
    if (!CsvExport::writeAllParts(file, fields))
        return false;
    const QString target = dir + QStringLiteral("/orvana-bench-import.mdb");
    const auto fresh = [&] {
        QFile::remove(target);
        if (!run({ORVANA_NEWDB, target.toStdString()}))
            std::exit(1);
        g_DbConnect = connectTo(target);
    };
    double importOurs = 1e9;
    double importShell = 1e9;
    for (int i = 0; i <= runs; ++i) {
        fresh();
        auto start = Clock::now();
        const auto plan = CsvImport::plan(file, {});
        if (!plan || plan->refused > 0 || !CsvImport::apply(*plan)) {
            std::fprintf(stderr, "the import failed\n");
            return false;
        }
        const double t = seconds(start);
        fresh();
        start = Clock::now();
        if (!run({"sqlite3", target.toStdString(),
                  (QStringLiteral(".import --csv --skip 1 ") + file + QStringLiteral(" PARTS"))
                      .toStdString()}))
            return false;
        const double u = seconds(start);
        if (i > 0) { // the first warms the page cache
            importOurs = std::min(importOurs, t);
            importShell = std::min(importShell, u);
        }
    }
    QFile::remove(target);
    line("import (new catalogue)", importSize, importOurs, importShell, 2.0);
    return met;
}

} // namespace

int main(int argc, char **argv)
{
    QStringList sizes{QStringLiteral("100000"), QStringLiteral("1000000")};
    QString dir = QStringLiteral("/tmp");
    int runs = 3;
    bool noServer = false, noFile = false, history = true, csv = true, csvOnly = false, historyOnly = false;
    for (int i = 1; i < argc; ++i) {
        const bool hasValue = i + 1 < argc;
        if (!std::strcmp(argv[i], "--no-server"))
            noServer = true;
        else if (!std::strcmp(argv[i], "--no-history"))
            history = false;
        else if (!std::strcmp(argv[i], "--history-only"))
            historyOnly = true;
        else if (!std::strcmp(argv[i], "--csv-only"))
            csvOnly = true;
        else if (!std::strcmp(argv[i], "--no-csv"))
            csv = false;
        else if (!std::strcmp(argv[i], "--server-only"))
            noFile = true;
        else if (!std::strcmp(argv[i], "--parts") && hasValue)
            sizes = QString::fromLocal8Bit(argv[++i]).split(u',');
        else if (!std::strcmp(argv[i], "--dir") && hasValue)
            dir = QString::fromLocal8Bit(argv[++i]);
        else if (!std::strcmp(argv[i], "--runs") && hasValue)
            runs = std::max(1, std::atoi(argv[++i]));
    }

    const QString fields = QStringLiteral("PartDescription, Bin");
    const QString select = PartSearch::selectList(fields) + QStringLiteral(" from PARTS");
    const SearchIndex::PartQuery search = PartSearch::query(QStringLiteral("123"), fields);
    const Statement statements[] = {
        {"show all",
         select + QStringLiteral(" Order By 3"),
         select + QStringLiteral(" NOT INDEXED Order By 3"),
         {}},
        {"search 123", search.sql(),
         select +
             QStringLiteral(
                 " NOT INDEXED where PartNumber LIKE '%123%' OR PartDescription LIKE '%123%' ORDER BY 3"),
         PartSearch::narrowing(search)},
    };

    if (csvOnly) {
        if (!benchCsv(dir, QStringLiteral("1000000"), QStringLiteral("100000"), runs))
            return 3;
        return 0;
    }
    if (!noFile)
        std::printf("%-9s %-11s %8s %11s %13s %13s %7s  %s\n", "parts", "statement", "rows", "LoadArray",
                    "sqlite3 same", "NOT INDEXED", "ratio", "goal <= 1.3");
    bool allMet = true;
    for (const QString &size : noFile ? QStringList() : sizes) {
        const QString file = dir + QStringLiteral("/orvana-bench-") + size + QStringLiteral(".mdb");
        if (!QFileInfo::exists(file) &&
            !run({ORVANA_NEWDB, file.toStdString(), "--sample", size.toStdString()})) {
            std::fprintf(stderr, "cannot create %s\n", qPrintable(file));
            return 1;
        }
        g_DbConnect = QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") + file;

        for (const Statement &s : historyOnly ? std::span<const Statement>() : std::span(statements)) {
            DataArray data;
            QStringList names;
            const double ours = best(runs, [&] {
                if (modDB::LoadArray(s.sql, data, names, s.narrowing) != 0)
                    std::exit(1);
            });
            const std::string path = file.toStdString();
            const double same = best(runs, [&] { run({"sqlite3", path, s.sql.toStdString()}); });
            const double plain = best(runs, [&] { run({"sqlite3", path, s.notIndexed.toStdString()}); });
            const double ratio = ours / std::min(same, plain);
            allMet = allMet && ratio <= 1.3;
            std::printf("%-9s %-11s %8d %9.3f s %11.3f s %11.3f s %7.2f  %s\n", qPrintable(size), s.name,
                        data.rowCount(), ours, same, plain, ratio, ratio <= 1.3 ? "met" : "MISSED");
            if (std::strcmp(s.name, "show all") == 0) {
                const double mem = double(data.memoryBytes()), text = double(data.textBytes());
                allMet = allMet && mem <= 2.5 * text;
                std::printf("%-9s %-11s memory: text of the cells %.1f MB, data array %.1f MB, %.2f times "
                            "(goal <= 2.5: %s)\n",
                            qPrintable(size), "", text / 1e6, mem / 1e6, mem / text,
                            mem <= 2.5 * text ? "met" : "MISSED");
            }
            std::fflush(stdout);
        }
        if (history) {
            const QString copy = dir + QStringLiteral("/orvana-bench-history.mdb");
            QFile::remove(copy);
            if (!QFile::copy(file, copy)) {
                std::fprintf(stderr, "cannot copy %s\n", qPrintable(file));
                return 1;
            }
            g_DbConnect = connectTo(copy);
            if (!benchHistory(size, runs))
                allMet = false;
            QFile::remove(copy);
        }
    }
    if (historyOnly)
        return allMet ? 0 : 3;
    if (!noServer && !benchServer(sizes, statements, runs))
        allMet = false;
    if (csv && !noFile && !benchCsv(dir, QStringLiteral("1000000"), QStringLiteral("100000"), runs))
        allMet = false;
    return allMet ? 0 : 3;
}
