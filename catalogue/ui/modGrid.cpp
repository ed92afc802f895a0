#include "modGrid.h"

#include "DataArraySource.h"
#include "DbReport.h"
#include "FlexGrid.h"

#include <QHeaderView>

namespace modGrid {

namespace {
constexpr Qt::Alignment kLeftTop = Qt::AlignLeft | Qt::AlignTop;
constexpr Qt::Alignment kRightTop = Qt::AlignRight | Qt::AlignTop;

QStringList errorLines()
{
    return {};
}
} // namespace

QColor gridColor()
{
    return QColor(255, 254, 210);
}

void GridSet1(FlexGrid &grid)
{
    QString step;
    DbReport::guarded(
        QStringLiteral("GridSet1"),
        [&] {
            step = QStringLiteral("With VS");
            grid.setRedraw(false);
            grid.clear();
            grid.removeCategoryRows();
            grid.setEditable(FlexGrid::EditMode::None);
            grid.setMultiRowSelection(false);
            grid.setFixedRows(1);
            grid.setFixedCols(1);
            grid.setRows(1);
            // Column 0 is dropped too, so no width, alignment or hidden state of an earlier
            // fill carries over.
            grid.setCols(0);
            grid.setCols(1);
            QPalette palette = grid.palette();
            palette.setColor(QPalette::Base, gridColor());
            grid.setPalette(palette);
            grid.setShowGrid(true);

            step = QStringLiteral("Set Sizing");
            grid.horizontalHeader()->setStretchLastSection(false);
            grid.horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);

            step = QStringLiteral("End with VS");
            grid.setRedraw(true);
        },
        [&] { return QStringList{DbReport::kIndent + step}; });
    grid.setRedraw(true);
}

namespace {

void fillRecordView(const DataArray &data, FlexGrid &grid, const QStringList &fieldNames)
{
    const int fields = data.fieldCount();
    grid.setFixedRows(0);
    grid.setFixedCols(0);
    grid.setCols(2);
    grid.setRows(fields);
    for (int i = 0; i < fields; ++i) {
        grid.setTextMatrix(i, 0, fieldNames.value(i));
        grid.setTextMatrix(i, 1, data.text(i, 0));
    }
    grid.setColAlignment(0, kRightTop);
    grid.setColAlignment(1, kLeftTop);
    // The names say which column a value is written to: they are never edited.
    grid.setColLocked(0, true);
    // Bold before fitting, so the names are measured as they are drawn.
    grid.setCellBackColor(0, 0, fields - 1, 0, Qt::white);
    grid.setCellFontBold(0, 0, fields - 1, 0, true);
    grid.autoSize(0, 0, 150);
    // The values get the rest of the width.
    grid.horizontalHeader()->setStretchLastSection(true);
    grid.setCurrentCell(0, 1);
    // Row 0, the part's PartID, becomes a header that cannot be edited.
    grid.setFixedRows(1);
    grid.setEditable(FlexGrid::EditMode::KeyboardMouse);
}

void fillList(DataArray data, FlexGrid &grid, const QStringList &fieldNames)
{
    const int fixedRows = grid.fixedRows();
    const int fixedCols = grid.fixedCols();
    const int fields = data.fieldCount();
    grid.setCols(fixedCols + fields);
    grid.setSource(std::make_shared<DataArraySource>(std::move(data)), fixedRows, fixedCols);
    // The names go into row 0, not into the last fixed row.
    for (int i = 0; i < fieldNames.size(); ++i)
        grid.setTextMatrix(0, fixedCols + i, fieldNames[i]);
    grid.setCurrentCell(0, 0);
    grid.autoSize(0, grid.cols() - 1, 10);
    for (int c = 0; c < grid.cols(); ++c)
        grid.setColAlignment(c, kLeftTop);
    grid.setEditable(FlexGrid::EditMode::None);
    grid.setMultiRowSelection(true);
}

} // namespace

void Array2Grid(DataArray data, FlexGrid &grid, const QStringList &fieldNames, std::int16_t recordView)
{
    DbReport::guarded(
        QStringLiteral("Array2Grid"),
        [&] {
            grid.clear();
            if (!data.isArray()) {
                grid.clear();
                grid.setCols(1);
                grid.setRows(1);
                grid.setTextMatrix(0, 0, QStringLiteral("No Records Found"));
                grid.setCellAlignment(0, 0, 0, 0, Qt::AlignCenter);
                return;
            }
            if (recordView != 0)
                fillRecordView(data, grid, fieldNames);
            else
                fillList(std::move(data), grid, fieldNames);
        },
        errorLines);
}

void g_LoadGrid(FlexGrid &grid, const QString &sql, std::int16_t recordView)
{
    DataArray data;
    QStringList fieldNames;
    DbReport::guarded(
        QStringLiteral("g_LoadGrid"),
        [&] {
            modDB::LoadArray(sql, data, fieldNames);
            GridSet1(grid);
            Array2Grid(std::move(data), grid, fieldNames, recordView);
        },
        errorLines);
}

} // namespace modGrid
