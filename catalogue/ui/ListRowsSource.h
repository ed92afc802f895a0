// SPDX-License-Identifier: MIT
#pragma once

#include "DataArraySource.h"

#include <memory>
#include <vector>

// Some rows of a list read before, in the order given: a search answered from the list of
// all parts shows its rows without copying a cell.
class ListRowsSource final : public GridSource {
public:
    ListRowsSource(std::shared_ptr<const DataArray> list, std::vector<int> rows)
        : m_list(std::move(list)), m_rows(std::move(rows))
    {
    }

    int rowCount() const override { return int(m_rows.size()); }
    int columnCount() const override { return m_list->fieldCount(); }
    QString text(int row, int col) const override { return m_list->text(col, m_rows[std::size_t(row)]); }
    int lengthHint(int row, int col) const override
    {
        return int(m_list->length(col, m_rows[std::size_t(row)]));
    }
    void lengthHints(int col, const int *rows, int count, int *out) const override
    {
        for (int i = 0; i < count; ++i)
            out[i] = int(m_list->length(col, m_rows[std::size_t(rows[i])]));
    }

private:
    std::shared_ptr<const DataArray> m_list;
    std::vector<int> m_rows;
};
