#include "DbConnection.h"

#include "OdbcConnection.h"
#include "SqliteConnection.h"

std::unique_ptr<DbConnection> DbConnection::open(const QString &connectionString)
{
    // The same case-sensitive test that forms g_DbConnect from the settings.
    if (connectionString.contains(QStringLiteral("DSN=")))
        return std::make_unique<OdbcConnection>(connectionString);
    return std::make_unique<SqliteConnection>(connectionString);
}
