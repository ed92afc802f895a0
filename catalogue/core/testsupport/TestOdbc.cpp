// SPDX-License-Identifier: MIT
#include "TestOdbc.h"

#include "PgTestServer.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace TestOdbc {

namespace {

QString folder()
{
    static QTemporaryDir dir;
    static bool written = false;
    if (!written) {
        written = true;
        QFile inst(dir.filePath(QStringLiteral("odbcinst.ini")));
        inst.open(QIODevice::WriteOnly);
        inst.write("[SQLite3 Test]\nDescription=SQLite3 ODBC Driver\n"
                   "Driver=/usr/lib/x86_64-linux-gnu/odbc/libsqlite3odbc.so\nDontDLClose=1\n\n"
                   "[PostgreSQL Test]\nDescription=PostgreSQL ODBC driver\nDriver=" +
                   PgTestServer::driverPath().toUtf8() + "\nDontDLClose=1\n");
    }
    return dir.path();
}

} // namespace

void use(const QString &odbcIni)
{
    qputenv("ODBCSYSINI", QFile::encodeName(folder()));
    qputenv("ODBCINI", QFile::encodeName(odbcIni));
}

} // namespace TestOdbc
