// SPDX-License-Identifier: MIT
#include "modGrid.h"

#include "DataArraySource.h"
#include "ListRowsSource.h"
#include "catalogue/core/DbReport.h"
#include "catalogue/grid/FlexGrid.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QTimer>

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
    cancelLoad(grid);
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

std::shared_ptr<DataArraySource> complete(DataArray data, const QStringList &fieldNames)
{
    auto source = std::make_shared<DataArraySource>(std::move(data), fieldNames);
    source->setComplete();
    return source;
}

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

void fillList(std::shared_ptr<const GridSource> source, FlexGrid &grid, const QStringList &fieldNames)
{
    const int fixedRows = grid.fixedRows();
    const int fixedCols = grid.fixedCols();
    const int fields = source->columnCount();
    grid.setCols(fixedCols + fields);
    grid.setSource(std::move(source), fixedRows, fixedCols);
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
                grid.setTextMatrix(0, 0, QCoreApplication::translate("modGrid", "No Records Found"));
                grid.setCellAlignment(0, 0, 0, 0, Qt::AlignCenter);
                return;
            }
            if (recordView != 0)
                fillRecordView(data, grid, fieldNames);
            else
                fillList(complete(std::move(data), fieldNames), grid, fieldNames);
        },
        errorLines);
}

void g_LoadGrid(FlexGrid &grid, const QString &sql, std::int16_t recordView)
{
    StructureArray structure;
    g_LoadGrid(grid, sql, recordView, structure);
}

void g_LoadGrid(FlexGrid &grid, const QString &sql, std::int16_t recordView, StructureArray &structure)
{
    cancelLoad(grid);
    structure.erase();
    DataArray data;
    QStringList fieldNames;
    DbReport::guarded(
        QStringLiteral("g_LoadGrid"),
        [&] {
            modDB::LoadArray(sql, data, fieldNames, structure);
            GridSet1(grid);
            Array2Grid(std::move(data), grid, fieldNames, recordView);
        },
        errorLines);
}

namespace {

// g_LoadGrid's filling of a list from its rows (null: "No Records Found"), with its reports.
void showList(FlexGrid &grid, std::shared_ptr<const GridSource> rows, const QStringList &fieldNames)
{
    DbReport::guarded(
        QStringLiteral("g_LoadGrid"),
        [&] {
            GridSet1(grid);
            if (!rows) {
                Array2Grid(DataArray(), grid, fieldNames, 0);
                return;
            }
            DbReport::guarded(
                QStringLiteral("Array2Grid"),
                [&] {
                    grid.clear();
                    fillList(rows, grid, fieldNames);
                },
                errorLines);
        },
        errorLines);
}

// Reads the rest of a list into its grid, one batch per turn of the event loop. A child of
// the grid, so it ends with it.
class ListLoader final : public QObject {
public:
    ListLoader(FlexGrid &grid, std::unique_ptr<modDB::RowReader> reader,
               std::shared_ptr<DataArraySource> source, std::function<void(bool)> shown)
        : QObject(&grid), m_grid(grid), m_reader(std::move(reader)), m_source(std::move(source)),
          m_shown(std::move(shown))
    {
        setObjectName(QStringLiteral("ListLoader"));
        m_shownAt.start();
        QTimer::singleShot(0, this, &ListLoader::next);
    }

    void stop()
    {
        m_reader.reset(); // closes the connection
        m_source->data().finish();
        if (m_grid.gridModel()->source() == m_source.get())
            m_grid.sourceRowsAdded(); // the rows read stay
        end();
    }

private:
    void end()
    {
        setParent(nullptr);
        deleteLater();
    }

    void next()
    {
        if (!m_reader) // stopped
            return;
        // Whoever filled the grid since has stopped this reading; this is only a safeguard.
        if (m_grid.gridModel()->source() != m_source.get()) {
            end();
            return;
        }
        QElapsedTimer timer;
        timer.start();
        bool done = false;
        do
            done = m_reader->read(m_source->data(), listSteps().rowsPerCheck);
        while (!done && timer.elapsed() < listSteps().stepMs);
        if (done && m_source->data().isArray())
            m_source->setComplete();
        if (done && !m_source->data().isArray()) {
            // The reading failed and was reported: the list is "No Records Found", as then.
            m_reader.reset();
            end();
            GridSet1(m_grid);
            Array2Grid(DataArray(), m_grid, {}, 0);
            if (m_shown)
                m_shown(false);
            return;
        }
        if (!done)
            QTimer::singleShot(0, this, &ListLoader::next);
        // Telling the grid of new rows costs more than reading them: it is told a few times a
        // second.
        if (!done && m_shownAt.elapsed() < listSteps().updateMs)
            return;
        m_shownAt.restart();
        m_grid.sourceRowsAdded();
        if (done) {
            m_reader.reset();
            m_grid.autoSize(0, m_grid.cols() - 1, 10);
            end();
        }
        if (m_shown)
            m_shown(false);
    }

    FlexGrid &m_grid;
    std::unique_ptr<modDB::RowReader> m_reader;
    std::shared_ptr<DataArraySource> m_source;
    std::function<void(bool)> m_shown;
    QElapsedTimer m_shownAt;
};

ListLoader *loaderOf(const FlexGrid &grid)
{
    return grid.findChild<ListLoader *>(QStringLiteral("ListLoader"), Qt::FindDirectChildrenOnly);
}

} // namespace

ListSteps &listSteps()
{
    static ListSteps steps;
    return steps;
}

bool g_LoadGridList(FlexGrid &grid, const QString &sql, const std::function<void(bool first)> &shown,
                    const DbConnection::Narrowing &narrowing)
{
    cancelLoad(grid);
    auto reader = std::make_unique<modDB::RowReader>();
    DataArray data;
    QStringList fieldNames;
    const bool opened = reader->open(sql, data, fieldNames, narrowing);
    bool done = !opened || reader->atEnd();
    std::shared_ptr<DataArraySource> source;
    if (!done) {
        source = std::make_shared<DataArraySource>(std::move(data), fieldNames);
        QElapsedTimer timer;
        timer.start();
        const ListSteps steps = listSteps();
        while (!done && (timer.elapsed() < steps.firstMs || source->rowCount() < steps.firstRows))
            done = reader->read(source->data(), steps.rowsPerCheck);
        if (done && source->data().isArray())
            source->setComplete();
    }
    showList(grid, source && source->data().isArray() ? source : nullptr, fieldNames);
    if (!done && source && grid.gridModel()->source() == source.get())
        new ListLoader(grid, std::move(reader), source, shown);
    if (shown)
        shown(true);
    return opened && (!source || source->data().isArray());
}

std::shared_ptr<const DataArraySource> g_ShownList(const FlexGrid &grid)
{
    auto list = std::dynamic_pointer_cast<const DataArraySource>(grid.gridModel()->sharedSource());
    return list && list->isComplete() && !isLoading(grid) ? list : nullptr;
}

void g_ShowListRows(FlexGrid &grid, std::shared_ptr<const DataArray> list, const QStringList &fieldNames,
                    std::vector<int> rows)
{
    cancelLoad(grid);
    showList(grid,
             rows.empty() ? nullptr : std::make_shared<ListRowsSource>(std::move(list), std::move(rows)),
             fieldNames);
}

bool isLoading(const FlexGrid &grid)
{
    return loaderOf(grid) != nullptr;
}

void cancelLoad(FlexGrid &grid)
{
    if (ListLoader *loader = loaderOf(grid))
        loader->stop();
}

} // namespace modGrid
