// SPDX-License-Identifier: MIT
#pragma once

#include "DbRecordset.h"
#include "OdbcHandles.h"

class OdbcWatchdog;

#include <vector>

class OdbcRecordset final : public DbRecordset {
public:
    // `written`, for a PostgreSQL server: the statement before the dialect step, whose
    // spelling of names the headings keep. `watchdog`, the connection's, outlives the result.
    OdbcRecordset(SQLHDBC dbc, OdbcWatchdog &watchdog, const QString &sql, const QString *written = nullptr);
    ~OdbcRecordset() override;
    OdbcRecordset(const OdbcRecordset &) = delete;
    OdbcRecordset &operator=(const OdbcRecordset &) = delete;

    bool eof() const override { return m_eof; }
    int fieldCount() const override { return int(m_columns.size()); }
    QString fieldName(int field) const override { return m_columns.at(std::size_t(field)).name; }
    int typeCode(int field) const override { return m_columns.at(std::size_t(field)).code; }
    long long definedSize(int field) const override { return m_columns.at(std::size_t(field)).size; }
    QString value(int field, bool *isNull) override;
    void getRows(DataArray &data) override;
    bool appendRows(DataArray &data, int maxRows) override;

private:
    struct Column {
        QString name;
        int code = 0;
        long long size = 0;
    };

    void fetch();
    [[noreturn]] void fail(SQLRETURN rc) const;
    // The current row's cell; false for null. Each cell can be read once.
    bool read(int field, std::vector<char> &out);

    OdbcWatchdog &m_watchdog;
    OdbcStmt m_stmt;
    std::vector<Column> m_columns;
    std::vector<std::vector<char>> m_row; // the current row, read when it is fetched
    std::vector<bool> m_rowNull;
    bool m_eof = true;
};
