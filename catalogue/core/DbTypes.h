// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

// Type codes and defined sizes as the catalogue knows them, and the one dialect step that
// SQLite-based engines need.
namespace DbTypes {

enum Code : int {
    SmallInt = 2,
    Long = 3,
    Double = 5,
    Currency = 6,
    Date = 7,
    YesNo = 11,
    Variant = 12,
    Byte = 17,
    BigInt = 20,
    Guid = 72,
    Numeric = 131,
    Text = 202,
    Memo = 203,
    Binary = 205,
};

struct TypeInfo {
    int code = Variant;
    long long size = 0;
};

// From a declared column type such as "VARCHAR(50)", "LONG", "CURRENCY" or "TEXT".
// Returns false when the declaration names no kind that is known here.
bool fromDeclaration(const QString &declared, TypeInfo *info);

// The defined size a kind reports when its declaration gives none.
long long defaultSize(int code);

// "SELECT TOP n rest" becomes "SELECT rest LIMIT n"; anything else is returned unchanged.
QString topToLimit(const QString &sql);

} // namespace DbTypes
