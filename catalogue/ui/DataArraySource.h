// SPDX-License-Identifier: MIT
#pragma once

#include "catalogue/core/modDB.h"
#include "catalogue/grid/GridSource.h"

// A query's data array as the cells of a grid: the grid turns a cell into text only when
// it shows or measures it.
class DataArraySource final : public GridSource {
public:
    explicit DataArraySource(DataArray data, QStringList fieldNames = {})
        : m_data(std::move(data)), m_fieldNames(std::move(fieldNames))
    {
    }

    int rowCount() const override { return m_data.rowCount(); }
    int columnCount() const override { return m_data.fieldCount(); }
    QString text(int row, int col) const override { return m_data.text(col, row); }
    int lengthHint(int row, int col) const override { return int(m_data.length(col, row)); }
    void lengthHints(int col, const int *rows, int count, int *out) const override
    {
        for (int i = 0; i < count; ++i)
            out[i] = int(m_data.length(col, rows[i]));
    }

    // For a list that grows while it is read; the grid learns of new rows by sourceRowsAdded().
    DataArray &data() { return m_data; }
    const DataArray &data() const { return m_data; }
    const QStringList &fieldNames() const { return m_fieldNames; }
    // Read to its end (not stopped, not failed).
    bool isComplete() const { return m_complete; }
    void setComplete() { m_complete = true; }

private:
    DataArray m_data;
    QStringList m_fieldNames;
    bool m_complete = false;
};
