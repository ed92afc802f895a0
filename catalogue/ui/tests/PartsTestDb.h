// SPDX-License-Identifier: MIT
#pragma once

#include "common/core/SqliteHandles.h"

#include <QString>

// A catalogue database file with the standard PARTS table, filled and read directly by
// tests (never through the code under test).
class PartsTestDb final {
public:
    explicit PartsTestDb(const QString &path);

    void add(const QString &partNumber, const QString &description, const QString &bin,
             const QString &asscWith = QString());
    void exec(const QString &sql);
    int count();
    // The first column of the first row as text; "" when there is none.
    QString value(const QString &sql);

private:
    SqliteDb m_db;
};
