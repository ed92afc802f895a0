// SPDX-License-Identifier: MIT
#include "CatalogueDb.h"

#include "catalogue/core/NewCatalogue.h"
#include "catalogue/core/modDB.h"
#include "catalogue/core/modGlobal.h"
#include "common/core/SqliteHandles.h"

#include <QFile>
#include <unistd.h>

#include <gtest/gtest.h>
#include <sqlite3.h>

namespace {

// PARTS as a database administrator would make it on the server, with plain SQL.
const char *const kServerTable =
    "CREATE TABLE PARTS (PartID serial PRIMARY KEY, AsscWith varchar(50), PartNumber varchar(50), "
    "PartDescription varchar(255), Bin varchar(20), Qty integer DEFAULT 0, Price numeric(19,4) DEFAULT 0, "
    "LastOrdered timestamp, Notes text)";

} // namespace

std::string engineName(const testing::TestParamInfo<Engine> &info)
{
    return info.param == Engine::SQLite ? "SQLite" : "PostgreSQL";
}

CatalogueDb::CatalogueDb(int sampleParts, Engine engine) : engine(engine)
{
    if (onServer()) {
        server = PgTestServer::shared();
        if (!server) {
            ADD_FAILURE() << PgTestServer::reason().toStdString();
            return;
        }
        database = server->createDatabase();
        exec(QLatin1String(kServerTable));
        if (sampleParts > 0)
            exec(QStringLiteral("INSERT INTO PARTS (PartNumber, PartDescription, Bin, AsscWith) SELECT "
                                "'GEN-' || g, 'Generated part ' || g, 'X-' || (g % 40), NULL FROM "
                                "generate_series(1, %1) g")
                     .arg(sampleParts));
    } else {
        path = env.path(QStringLiteral("parts.db"));
        if (const auto made = NewCatalogue::create(path, sampleParts); !made)
            ADD_FAILURE() << made.error().message.toStdString();
    }
    exec(QStringLiteral(
        "INSERT INTO PARTS (PartID, AsscWith, PartNumber, PartDescription, Bin, Qty, Price, LastOrdered, "
        "Notes) VALUES "
        "(1000001, NULL, 'BRG-6204', 'Ball bearing 6204', 'A-01', 12, 4.5, '2024-03-01', NULL),"
        "(1000002, 'BRG-6204', 'SEAL-35', 'Oil seal 35x52', 'A-02', 0, 1.25, NULL, 'fits both sides'),"
        "(1000003, 'BRG-6204', 'O''RING-18', 'O-ring 18 mm', '  B-7  ', 3, 0.1, NULL, NULL),"
        "(1000004, NULL, 'FLT-10', NULL, NULL, 1, 9, NULL, NULL)"));
    g_DbConnect = onServer() ? server->dataSource(database) : connectTo(path);
    g_LogFolder = env.root();
    g_Structure.erase();
}

CatalogueDb::~CatalogueDb()
{
    g_Structure.erase();
    g_DbConnect.clear();
}

QString CatalogueDb::connectTo(const QString &file)
{
    return QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") + file;
}

void CatalogueDb::exec(const QString &sql) const
{
    if (!onServer())
        return execOn(path, sql);
    if (const auto done = server->query(database, sql); !done)
        ADD_FAILURE() << done.error().message.toStdString();
}

void CatalogueDb::execOn(const QString &file, const QString &sql)
{
    const SqliteDb db = openSqlite(QFile::encodeName(file).constData(), SQLITE_OPEN_READWRITE);
    if (const auto done = execSqlite(db.get(), sql); !done)
        ADD_FAILURE() << done.error().message.toStdString() << " in " << sql.toStdString();
}

QString CatalogueDb::one(const QString &sql) const
{
    if (onServer()) {
        const QString all = rows(sql);
        return all.isNull() ? QStringLiteral("<none>") : all.section(u'\n', 0, 0);
    }
    const SqliteDb db = openSqlite(QFile::encodeName(path).constData(), SQLITE_OPEN_READONLY);
    int rc = SQLITE_OK;
    const SqliteStmt owner = prepareSqlite(db.get(), sql.toUtf8().constData(), -1, &rc);
    sqlite3_stmt *stmt = owner.get();
    QString result = QStringLiteral("<none>");
    if (rc != SQLITE_OK)
        ADD_FAILURE() << sqlite3_errmsg(db.get()) << " in " << sql.toStdString();
    else if (sqlite3_step(stmt) == SQLITE_ROW)
        result = sqlite3_column_type(stmt, 0) == SQLITE_NULL
                     ? QStringLiteral("<null>")
                     : QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(stmt, 0)));
    return result;
}

QString CatalogueDb::rows(const QString &sql) const
{
    if (onServer()) {
        const auto text = server->query(database, sql);
        if (!text)
            ADD_FAILURE() << text.error().message.toStdString();
        return !text || text->isEmpty() ? QString() : *text;
    }
    const SqliteDb db = openSqlite(QFile::encodeName(path).constData(), SQLITE_OPEN_READONLY);
    int rc = SQLITE_OK;
    const SqliteStmt owner = prepareSqlite(db.get(), sql.toUtf8().constData(), -1, &rc);
    sqlite3_stmt *stmt = owner.get();
    QStringList lines;
    if (rc != SQLITE_OK)
        ADD_FAILURE() << sqlite3_errmsg(db.get()) << " in " << sql.toStdString();
    else
        while (sqlite3_step(stmt) == SQLITE_ROW) {
            QStringList fields;
            for (int i = 0; i < sqlite3_column_count(stmt); ++i)
                fields << (sqlite3_column_type(stmt, i) == SQLITE_NULL
                               ? QStringLiteral("<null>")
                               : QString::fromUtf8(
                                     reinterpret_cast<const char *>(sqlite3_column_text(stmt, i))));
            lines << fields.join(u'|');
        }
    return lines.isEmpty() ? QString() : lines.join(u'\n');
}

std::string CatalogueDb::shown() const
{
    std::string out;
    for (const auto &c : ui.calls)
        out += "\n[" + c.title.toStdString() + "] " + c.text.toStdString();
    return out;
}

QString CatalogueDb::log() const
{
    return QString::fromUtf8(TestEnv::readFile(modGlobal::logFilePath()));
}
