#pragma once

#include "modDB.h"

#include <QColor>
#include <QString>
#include <QStringList>

#include <cstdint>

class FlexGrid;

// Turns query results into grid contents: the empty default grid, a list (one row per
// result row) or a record view (one row per field of one record). Both grids of the main
// window are filled only through here.
namespace modGrid {

// The background of the grids' cells.
QColor gridColor();

// 1 row, 1 column, both fixed, nothing carried over from an earlier fill; not editable.
void GridSet1(FlexGrid &grid);

// `recordView` is -1 (true) or 0. An empty data array gives the single cell
// "No Records Found". The list keeps the array and shows its cells as they are drawn.
void Array2Grid(DataArray data, FlexGrid &grid, const QStringList &fieldNames, std::int16_t recordView);

// LoadArray, GridSet1, Array2Grid.
void g_LoadGrid(FlexGrid &grid, const QString &sql, std::int16_t recordView);

} // namespace modGrid
