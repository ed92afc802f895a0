// SPDX-License-Identifier: MIT
#include "DbConnection.h"

#include "OdbcConnection.h"
#include "SqliteConnection.h"
#include "ValueRules.h"

#include <QCoreApplication>

std::unique_ptr<DbConnection> DbConnection::open(const QString &connectionString)
{
    // The same case-sensitive test that forms g_DbConnect from the settings.
    if (connectionString.contains(QStringLiteral("DSN=")))
        return std::make_unique<OdbcConnection>(connectionString);
    return std::make_unique<SqliteConnection>(connectionString);
}

void DbConnection::checkStatement(const QString &sql)
{
    if (sql.contains(QChar(u'\0')))
        throw DbError{QCoreApplication::translate("DbConnection", "The statement contains a NUL character."),
                      5, QStringLiteral("Orvana")};
    if (!ValueRules::isValidUnicode(sql))
        throw DbError{QCoreApplication::translate("DbConnection",
                                                  "The statement contains text that is not valid Unicode."),
                      5, QStringLiteral("Orvana")};
}
