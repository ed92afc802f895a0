// SPDX-License-Identifier: MIT
#pragma once

#include "common/core/Result.h"

#include <QString>
#include <QStringList>

#include <sys/types.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

// A PostgreSQL server of the test program's own: initdb and pg_ctl into a temporary folder,
// a free port on 127.0.0.1, the socket inside that folder, trust log-on for the user
// "orvana". Started at first use, stopped (and its folder removed) when the program ends;
// a guard process stops it should the program die first. As root, the server runs as the
// "postgres" user, since PostgreSQL refuses to run as root. It never touches another server.
class PgTestServer final {
public:
    // The program's server, or nullptr when it is not there (see reason()): skip the test
    // when PostgreSQL is not installed, fail it when it is installed but did not start.
    static PgTestServer *shared();
    static QString reason();
    static bool installed();

    ~PgTestServer();
    PgTestServer(const PgTestServer &) = delete;
    PgTestServer &operator=(const PgTestServer &) = delete;

    int port() const { return m_port; }
    QString folder() const { return m_root; }

    // A new, empty database of its own name.
    QString createDatabase();

    // Points unixODBC at this server's ini files (ODBCSYSINI, ODBCINI), whose data source
    // "OrvanaPg" reaches the server through the PostgreSQL ODBC driver, and returns the
    // connection string for the database: "DSN=OrvanaPg;Database=name".
    QString dataSource(const QString &database);

    // Runs one statement with psql, past the code under test: the rows as lines, fields
    // separated by "|", null as "<null>".
    Result<QString> query(const QString &database, const QString &sql) const;

    // The psql command line for the database (host, port, user, database).
    QStringList psqlArguments(const QString &database) const;

    static QString driverPath();

    // Stops every process of the server with SIGSTOP, as a server that hangs: its sockets
    // stay open and its kernel still acknowledges. `after` later (from a thread of its own,
    // so a call can be under way), and for at most `limit`, so a test of code that would
    // wait for ever still ends. SIGCONT when the guard goes, whatever the test did.
    class Pause final {
    public:
        explicit Pause(const PgTestServer &server, std::chrono::milliseconds after = {},
                       std::chrono::milliseconds limit = std::chrono::seconds(30));
        ~Pause();
        Pause(const Pause &) = delete;
        Pause &operator=(const Pause &) = delete;

    private:
        void signal(int sig);

        pid_t m_postmaster = 0;
        std::vector<pid_t> m_stopped;
        std::thread m_thread;
        std::mutex m_mutex;
        std::condition_variable m_done;
        bool m_ending = false;
    };

private:
    PgTestServer() = default;
    Result<> start();
    void stop();

    QString m_root;
    QString m_bin;
    int m_port = 0;
    pid_t m_guard = 0;
    int m_databases = 0;
};
