#include "CatalogueDb.h"

#include "NewCatalogue.h"
#include "modDB.h"
#include "modGlobal.h"

#include <QFile>

#include <gtest/gtest.h>
#include <sqlite3.h>

CatalogueDb::CatalogueDb(int sampleParts) : path(env.path(QStringLiteral("parts.db")))
{
    QString error;
    if (!NewCatalogue::create(path, sampleParts, &error))
        ADD_FAILURE() << error.toStdString();
    exec(QStringLiteral(
        "INSERT INTO PARTS (PartID, AsscWith, PartNumber, PartDescription, Bin, Qty, Price, LastOrdered, "
        "Notes) VALUES "
        "(1000001, NULL, 'BRG-6204', 'Ball bearing 6204', 'A-01', 12, 4.5, '2024-03-01', NULL),"
        "(1000002, 'BRG-6204', 'SEAL-35', 'Oil seal 35x52', 'A-02', 0, 1.25, NULL, 'fits both sides'),"
        "(1000003, 'BRG-6204', 'O''RING-18', 'O-ring 18 mm', '  B-7  ', 3, 0.1, NULL, NULL),"
        "(1000004, NULL, 'FLT-10', NULL, NULL, 1, 9, NULL, NULL)"));
    g_DbConnect = connectTo(path);
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

void CatalogueDb::execOn(const QString &file, const QString &sql)
{
    sqlite3 *db = nullptr;
    sqlite3_open_v2(QFile::encodeName(file).constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
    char *message = nullptr;
    if (sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, &message) != SQLITE_OK)
        ADD_FAILURE() << (message ? message : "?") << " in " << sql.toStdString();
    sqlite3_free(message);
    sqlite3_close(db);
}

QString CatalogueDb::one(const QString &sql) const
{
    sqlite3 *db = nullptr;
    sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt *stmt = nullptr;
    QString result = QStringLiteral("<none>");
    if (sqlite3_prepare_v2(db, sql.toUtf8().constData(), -1, &stmt, nullptr) != SQLITE_OK)
        ADD_FAILURE() << sqlite3_errmsg(db) << " in " << sql.toStdString();
    else if (sqlite3_step(stmt) == SQLITE_ROW)
        result = sqlite3_column_type(stmt, 0) == SQLITE_NULL
                     ? QStringLiteral("<null>")
                     : QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(stmt, 0)));
    sqlite3_finalize(stmt);
    sqlite3_close(db);
    return result;
}

QString CatalogueDb::log() const
{
    return QString::fromUtf8(TestEnv::readFile(modGlobal::logFilePath()));
}
