// SPDX-License-Identifier: MIT
#pragma once

#include <sql.h>

#include <memory>

// Owners of ODBC handles, freed by their kind. A statement is freed before its connection
// and a connection (disconnected first) before its environment: declare the environment
// first and the statements last, so they are destroyed in that order.
template <SQLSMALLINT Kind> struct OdbcFree {
    void operator()(SQLHANDLE handle) const { SQLFreeHandle(Kind, handle); }
};
template <SQLSMALLINT Kind> using OdbcHandle = std::unique_ptr<void, OdbcFree<Kind>>;
using OdbcEnv = OdbcHandle<SQL_HANDLE_ENV>;
using OdbcDbc = OdbcHandle<SQL_HANDLE_DBC>;
using OdbcStmt = OdbcHandle<SQL_HANDLE_STMT>;

// SQLAllocHandle into an owner; null when it fails, with the driver manager's code in `rc`.
template <SQLSMALLINT Kind> OdbcHandle<Kind> allocOdbc(SQLHANDLE parent, SQLRETURN &rc)
{
    SQLHANDLE handle = SQL_NULL_HANDLE;
    rc = SQLAllocHandle(Kind, parent, &handle);
    return OdbcHandle<Kind>(rc == SQL_SUCCESS || rc == SQL_SUCCESS_WITH_INFO ? handle : SQL_NULL_HANDLE);
}
