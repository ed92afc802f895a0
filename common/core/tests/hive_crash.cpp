// SPDX-License-Identifier: MIT
// Test helper for a hive left by a killed writer.
//   hive_crash write HIVE   overwrites every value of HIVE in one large transaction, says
//                           "ready" once the hive file itself holds uncommitted pages, and
//                           waits to be killed.
//   hive_crash read KEY NAME...  prints each value of KEY under the machine root, one a line;
//                           run as root it first becomes nobody, so it may not write the hive.
#include "common/core/modRegistry.h"

#include <QCoreApplication>

#include <sqlite3.h>

#include <cstdio>
#include <cstring>
#include <grp.h>
#include <unistd.h>

namespace {

int write(const char *hive)
{
    sqlite3 *db = nullptr;
    if (sqlite3_open_v2(hive, &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK)
        return 2;
    // A small cache spills changed pages into the hive file long before the commit.
    const char *sql = "PRAGMA cache_size = 8; BEGIN IMMEDIATE;"
                      "UPDATE vals SET data = CAST('uncommitted' AS BLOB);"
                      "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 20000)"
                      " INSERT INTO vals SELECT 'extra', 'x' || i, 'x' || i, 1, randomblob(400) FROM n;";
    if (sqlite3_exec(db, sql, nullptr, nullptr, nullptr) != SQLITE_OK)
        return 3;
    std::puts("ready");
    std::fflush(stdout);
    for (;;)
        pause();
}

int read(int argc, char **argv)
{
    if (geteuid() == 0 && (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0))
        return 4;
    QCoreApplication app(argc, argv);
    for (int i = 3; i < argc; ++i)
        std::printf("%s\n", qPrintable(modRegistry::GetStringValue(modRegistry::HKEY_LOCAL_MACHINE,
                                                                   QString::fromLocal8Bit(argv[2]),
                                                                   QString::fromLocal8Bit(argv[i]))));
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc >= 3 && std::strcmp(argv[1], "write") == 0)
        return write(argv[2]);
    if (argc >= 4 && std::strcmp(argv[1], "read") == 0)
        return read(argc, argv);
    return 1;
}
