// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

// Cells a grid shows without holding them: the grid asks for a cell's text only when it is
// drawn, edited or measured, so a result of a million rows costs no string per cell.
class GridSource {
public:
    virtual ~GridSource() = default;
    virtual int rowCount() const = 0;
    virtual int columnCount() const = 0;
    virtual QString text(int row, int col) const = 0;
    // A cheap measure of the text's length, so the widest cells can be found without
    // laying out every one of them.
    virtual int lengthHint(int row, int col) const { return int(text(row, col).size()); }
    // lengthHint of many rows of one column at once: fitting a column scans every row.
    virtual void lengthHints(int col, const int *rows, int count, int *out) const
    {
        for (int i = 0; i < count; ++i)
            out[i] = lengthHint(rows[i], col);
    }
};
