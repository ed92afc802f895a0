// SPDX-License-Identifier: MIT
#include "PartsTestDb.h"

#include "catalogue/core/NewCatalogue.h"

#include <sqlite3.h>

#include <gtest/gtest.h>

PartsTestDb::PartsTestDb(const QString &path)
{
    const auto made = NewCatalogue::create(path, 0);
    EXPECT_TRUE(made) << made.error().message.toStdString();
    int rc = SQLITE_OK;
    m_db = openSqlite(path.toUtf8().constData(), SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, &rc);
    EXPECT_EQ(rc, SQLITE_OK);
}

void PartsTestDb::exec(const QString &sql)
{
    char *error = nullptr;
    EXPECT_EQ(sqlite3_exec(m_db.get(), sql.toUtf8().constData(), nullptr, nullptr, &error), SQLITE_OK)
        << (error ? error : "") << " in " << sql.toStdString();
    sqlite3_free(error);
}

void PartsTestDb::add(const QString &partNumber, const QString &description, const QString &bin,
                      const QString &asscWith)
{
    const SqliteStmt owner = prepareSqlite(
        m_db.get(), "INSERT INTO PARTS (PartNumber, PartDescription, Bin, AsscWith) VALUES (?, ?, ?, ?)");
    sqlite3_stmt *st = owner.get();
    const QByteArray values[] = {partNumber.toUtf8(), description.toUtf8(), bin.toUtf8(), asscWith.toUtf8()};
    for (int i = 0; i < 4; ++i) {
        if (i == 3 && asscWith.isEmpty())
            sqlite3_bind_null(st, 4);
        else
            sqlite3_bind_text(st, i + 1, values[i].constData(), int(values[i].size()), SQLITE_TRANSIENT);
    }
    EXPECT_EQ(sqlite3_step(st), SQLITE_DONE);
}

int PartsTestDb::count()
{
    return value(QStringLiteral("SELECT COUNT(*) FROM PARTS")).toInt();
}

QString PartsTestDb::value(const QString &sql)
{
    const SqliteStmt owner = prepareSqlite(m_db.get(), sql.toUtf8().constData());
    sqlite3_stmt *st = owner.get();
    QString result;
    if (st && sqlite3_step(st) == SQLITE_ROW && sqlite3_column_type(st, 0) != SQLITE_NULL)
        result = QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(st, 0)));
    return result;
}
