// SPDX-License-Identifier: MIT
#pragma once

#include "Result.h"

#include <QString>
#include <QStringList>

#include <sys/types.h>

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
