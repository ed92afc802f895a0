// SPDX-License-Identifier: MIT
#pragma once

#include "DbError.h"
#include "DbTypes.h"

#include <QString>

// The statements the catalogue writes are in the desktop database's dialect. On a
// PostgreSQL server they go through this step: `TOP n` becomes `LIMIT n`, `[name]` a plain
// name (quoted when it is not one), and LIKE the case-blind ILIKE, since the desktop
// database compares text without regard to case. Apostrophe literals pass untouched.
namespace PgDialect {

// True for the name a PostgreSQL driver gives as its server (SQL_DBMS_NAME).
bool isServer(const QString &dbmsName);

// The statement in PostgreSQL's form. A second statement after a ";" is refused (DbError),
// as the other engines refuse it.
QString statement(const QString &sql);

// The server folds unquoted names to lower case: a heading it returns is given back in the
// spelling the statement (or the standard PARTS table) writes it in.
QString heading(const QString &returned, const QString &sql);

// Kinds as the default catalogue reports them: integer and bigint long, numeric with at most
// four decimals (numeric(19,4), money) currency. `precision` and `scale` as the driver
// describes the column.
DbTypes::TypeInfo type(const QString &typeName, DbTypes::TypeInfo given, long long precision, int scale);

} // namespace PgDialect
