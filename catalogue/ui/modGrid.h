// SPDX-License-Identifier: MIT
#pragma once

#include "catalogue/core/modDB.h"

#include <QColor>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class DataArraySource;
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
// The same, and `structure` describes the fields of the rows shown (no array when none are).
void g_LoadGrid(FlexGrid &grid, const QString &sql, std::int16_t recordView, StructureArray &structure);

// g_LoadGrid for a list that is shown while it is read: the first rows are in the grid when
// it returns (a short list completely), the rest follow from the event loop, so the window
// stays usable. `shown(first)` runs once the first rows are in (first true; also for "No
// Records Found") and after each later batch. The finished list equals g_LoadGrid's; a
// failure while reading is reported and leaves "No Records Found". False when the first
// rows could not be read (reported): "No Records Found" then means nothing was found out.
// A narrowing is offered to the engine (DbConnection::openNarrowed).
bool g_LoadGridList(FlexGrid &grid, const QString &sql, const std::function<void(bool first)> &shown,
                    const DbConnection::Narrowing &narrowing = {});
// How a list is read: at least `firstRows` rows and `firstMs` before the first paint (so a
// short list is whole at once), then batches of about `stepMs` per turn of the event loop,
// checking the time every `rowsPerCheck` rows; the grid and the caller hear of new rows every
// `updateMs`. Tests make the steps small.
struct ListSteps {
    int firstRows = 5000;
    int firstMs = 10;
    int stepMs = 30;
    int rowsPerCheck = 256;
    int updateMs = 150;
};
ListSteps &listSteps();

// The list the grid shows when it was read to its end (not stopped, not failed, not "No
// Records Found"); null otherwise.
std::shared_ptr<const DataArraySource> g_ShownList(const FlexGrid &grid);
// Fills the grid as g_LoadGrid fills a list, with the given rows of a list read before (an
// answer from memory to a statement whose rows those are); no rows give "No Records Found".
void g_ShowListRows(FlexGrid &grid, std::shared_ptr<const DataArray> list, const QStringList &fieldNames,
                    std::vector<int> rows);

// Whether rows of a list are still being read into the grid.
bool isLoading(const FlexGrid &grid);
// Stops reading: the rows read so far stay. GridSet1 and every fill of the grid stop it too.
void cancelLoad(FlexGrid &grid);

} // namespace modGrid
