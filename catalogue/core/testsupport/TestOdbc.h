// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

// The driver manager reads where odbcinst.ini lives once per process, so every test of a
// program shares one: a temporary folder whose odbcinst.ini names the drivers the tests use,
// "SQLite3 Test" and "PostgreSQL Test" (both kept loaded, so a leak checker can still name
// their allocations). Each test keeps its data sources in an odbc.ini of its own.
namespace TestOdbc {

// Sets ODBCSYSINI to the shared folder and ODBCINI to `odbcIni`.
void use(const QString &odbcIni);

} // namespace TestOdbc
