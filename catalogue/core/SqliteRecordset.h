// SPDX-License-Identifier: MIT
#pragma once

#include "DbRecordset.h"
#include "common/core/SqliteHandles.h"

#include <optional>
#include <string_view>

struct sqlite3_value;

class SqliteRecordset final : public DbRecordset {
public:
    enum Transaction { InCallers, EndsTransaction };
    // Prepares one statement and runs it to its first row. EndsTransaction: the statement
    // runs in a read transaction the caller began, which ends when the statement does.
    SqliteRecordset(sqlite3 *db, const QString &sql, Transaction transaction = InCallers);
    ~SqliteRecordset() override;

    bool eof() const override { return m_eof; }
    int fieldCount() const override { return m_fields; }
    QString fieldName(int field) const override;
    int typeCode(int field) const override;
    long long definedSize(int field) const override;
    QString value(int field, bool *isNull) override;
    void getRows(DataArray &data) override;
    bool appendRows(DataArray &data, int maxRows) override;
    // Steps through the remaining rows without reading them.
    void skipRows();

    // A value given to a function of ours, printed as value() prints a cell (in UTF-8, kept
    // in `buffer` or by the engine until the value changes); nullopt for NULL.
    static std::optional<std::string_view> valueText(sqlite3_value *value, char (&buffer)[32]);

private:
    void step();
    void endTransaction();

    sqlite3 *m_db;
    bool m_endsTransaction = false;
    SqliteStmt m_stmt;
    int m_fields = 0;
    bool m_eof = true;
};
