// SPDX-License-Identifier: MIT
#include "FlexGrid.h"

#include "GridDelegate.h"
#include "GridSelectionModel.h"
#include "common/ui/FormPlacement.h"

#include <QHeaderView>
#include <QToolButton>

#include <algorithm>
#include <queue>

namespace {
constexpr int kCellPadding = 8;     // the view's text margins on both sides, and a little air
constexpr int kAllRowsBelow = 2000; // grids up to this many rows are measured cell by cell
constexpr int kSampleRows = 1000;   // otherwise: this many rows spread over the grid...
constexpr int kLongestRows = 16;    // ...and the rows with the longest texts of each column
constexpr int kScanRows = 4096;     // rows whose lengths are asked for at once
} // namespace

FlexGrid::FlexGrid(QWidget *parent) : QTableView(parent), m_model(new GridModel(this))
{
    setModel(m_model);
    QItemSelectionModel *stock = selectionModel();
    auto *selection = new GridSelectionModel(m_model, this);
    setSelectionModel(selection);
    delete stock;
    setItemDelegate(new GridDelegate(this));

    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setSelectionMode(QAbstractItemView::ContiguousSelection);
    setWordWrap(false);
    setTabKeyNavigation(false);
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);

    QHeaderView *rowsHeader = verticalHeader();
    rowsHeader->setSectionResizeMode(QHeaderView::Fixed);
    rowsHeader->setDefaultSectionSize(fontMetrics().height() + 6);
    rowsHeader->setHighlightSections(false);
    QHeaderView *colsHeader = horizontalHeader();
    colsHeader->setSectionsClickable(false);
    colsHeader->setHighlightSections(false);
    colsHeader->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    colsHeader->viewport()->installEventFilter(this);

    m_cellButton = new QToolButton(viewport());
    m_cellButton->setObjectName(QStringLiteral("cellButton"));
    m_cellButton->setFocusPolicy(Qt::NoFocus);
    m_cellButton->hide();
    connect(m_cellButton, &QToolButton::clicked, this, &FlexGrid::onCellButton);

    connect(selection, &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex &current) { onCurrentChanged(current); });
    connect(m_model, &QAbstractItemModel::modelReset, this, &FlexGrid::applyLayout);
    connect(m_model, &QAbstractItemModel::columnsInserted, this, &FlexGrid::applyLayout);
    connect(m_model, &QAbstractItemModel::columnsRemoved, this, &FlexGrid::applyLayout);
    connect(m_model, &QAbstractItemModel::layoutChanged, this, [this] {
        applyOutline();
        updateCellButton();
    });
    connect(m_model, &QAbstractItemModel::rowsRemoved, this, [this] {
        updateFixedCells();
        updateCellButton();
        clampCurrent();
    });
    connect(m_model, &QAbstractItemModel::rowsInserted, this, &FlexGrid::updateFixedCells);
    connect(colsHeader, &QHeaderView::sectionResized, this, [this] { placeCellButton(); });
    applyLayout();
}

FlexGrid::~FlexGrid() = default;

int FlexGrid::twipsToPixels(int twips) const
{
    return FormPlacement::twipsToPixels(twips, FormPlacement::logicalDpi(this));
}

int FlexGrid::pixelsToTwips(int pixels) const
{
    return FormPlacement::pixelsToTwips(pixels, FormPlacement::logicalDpi(this));
}

// ---- current cell and selection -------------------------------------------------------

bool FlexGrid::allowMove(const QModelIndex &to)
{
    if (m_syncing || !to.isValid())
        return true;
    const int r = m_model->gridRow(to);
    const int c = m_model->gridCol(to);
    if (r == m_row && c == m_col)
        return true;
    bool cancel = false;
    emit beforeRowColChange(m_row, m_col, r, c, &cancel);
    return !cancel;
}

void FlexGrid::onCurrentChanged(const QModelIndex &current)
{
    int r = 0;
    int c = 0;
    if (current.isValid()) {
        r = m_model->gridRow(current);
        c = m_model->gridCol(current);
    } else if (m_pendingFixed) {
        r = m_pendingRow;
        c = m_pendingCol;
    } else {
        return;
    }
    if (r == m_row && c == m_col)
        return;
    const int oldRow = m_row;
    const int oldCol = m_col;
    m_row = r;
    m_col = c;
    updateCellButton();
    emit afterRowColChange(oldRow, oldCol, r, c);
}

bool FlexGrid::setCurrentCell(int row, int col)
{
    if (row < 0 || col < 0 || row >= rows() || col >= cols())
        return false;
    const QModelIndex target = m_model->indexOf(row, col);
    if (row == m_row && col == m_col && currentIndex() == target)
        return true;
    if (row != m_row || col != m_col) {
        bool cancel = false;
        emit beforeRowColChange(m_row, m_col, row, col, &cancel);
        if (cancel)
            return false;
    }
    const bool wasSyncing = m_syncing;
    m_syncing = true;
    if (target.isValid()) {
        QItemSelectionModel::SelectionFlags flags = QItemSelectionModel::ClearAndSelect;
        if (selectionBehavior() == QAbstractItemView::SelectRows)
            flags |= QItemSelectionModel::Rows;
        selectionModel()->setCurrentIndex(target, flags);
        // A cell under a span (a category row's caption) is drawn by the span's first cell:
        // selecting that too keeps the cursor visible.
        if (const QModelIndex anchor = spanAnchor(target); anchor != target)
            selectionModel()->select(QItemSelection(anchor, target), QItemSelectionModel::Select);
        if (row != m_row || col != m_col) // the view was already there
            onCurrentChanged(target);
    } else {
        m_pendingFixed = true;
        m_pendingRow = row;
        m_pendingCol = col;
        if (currentIndex().isValid())
            selectionModel()->clear();
        onCurrentChanged({});
        m_pendingFixed = false;
    }
    m_syncing = wasSyncing;
    return true;
}

QModelIndex FlexGrid::spanAnchor(const QModelIndex &index) const
{
    for (int c = 0; c < index.column(); ++c)
        if (columnSpan(index.row(), c) > index.column() - c)
            return index.siblingAtColumn(c);
    return index;
}

void FlexGrid::select(int row1, int col1, int row2, int col2)
{
    if (row1 > row2)
        std::swap(row1, row2);
    if (col1 > col2)
        std::swap(col1, col2);
    row1 = std::max(row1, fixedRows());
    col1 = std::max(col1, fixedCols());
    row2 = std::min(row2, rows() - 1);
    col2 = std::min(col2, cols() - 1);
    if (m_inPress) {
        m_pressSelection = {row1, col1, row2, col2};
        m_pressSelected = true;
    }
    if (row1 > row2 || col1 > col2) {
        selectionModel()->clearSelection();
        return;
    }
    QItemSelectionModel::SelectionFlags flags = QItemSelectionModel::ClearAndSelect;
    if (selectionBehavior() == QAbstractItemView::SelectRows)
        flags |= QItemSelectionModel::Rows;
    selectionModel()->select(QItemSelection(m_model->indexOf(row1, col1), m_model->indexOf(row2, col2)),
                             flags);
}

void FlexGrid::showCell(int row, int col)
{
    const QModelIndex i = m_model->indexOf(std::max(row, fixedRows()), std::max(col, fixedCols()));
    if (i.isValid())
        scrollTo(i);
}

void FlexGrid::setMultiRowSelection(bool allowed)
{
    m_multiRow = allowed;
    setSelectionBehavior(allowed ? QAbstractItemView::SelectRows : QAbstractItemView::SelectItems);
    setSelectionMode(allowed ? QAbstractItemView::ExtendedSelection : QAbstractItemView::ContiguousSelection);
}

namespace {
// The selected rows as sorted, merged intervals of view rows.
std::vector<std::pair<int, int>> selectedIntervals(const QItemSelectionModel *model)
{
    std::vector<std::pair<int, int>> spans;
    for (const QItemSelectionRange &range : model->selection())
        spans.emplace_back(range.top(), range.bottom());
    std::sort(spans.begin(), spans.end());
    std::vector<std::pair<int, int>> merged;
    for (const auto &s : spans) {
        if (!merged.empty() && s.first <= merged.back().second + 1)
            merged.back().second = std::max(merged.back().second, s.second);
        else
            merged.push_back(s);
    }
    return merged;
}
} // namespace

int FlexGrid::selectedRowCount() const
{
    int n = 0;
    for (const auto &[top, bottom] : selectedIntervals(selectionModel()))
        n += bottom - top + 1;
    return n;
}

int FlexGrid::selectedRow(int n) const
{
    if (n < 0)
        return -1;
    for (const auto &[top, bottom] : selectedIntervals(selectionModel())) {
        if (n <= bottom - top)
            return top + n + fixedRows();
        n -= bottom - top + 1;
    }
    return -1;
}

// ---- formats and columns ----------------------------------------------------------------

void FlexGrid::setCellBackColor(int row1, int col1, int row2, int col2, const QColor &color)
{
    CellFormat f;
    f.background = color;
    m_model->formatRange(row1, col1, row2, col2, f);
}

void FlexGrid::setCellFontBold(int row1, int col1, int row2, int col2, bool bold)
{
    CellFormat f;
    f.bold = bold;
    m_model->formatRange(row1, col1, row2, col2, f);
}

void FlexGrid::setCellAlignment(int row1, int col1, int row2, int col2, Qt::Alignment alignment)
{
    CellFormat f;
    f.alignment = alignment;
    m_model->formatRange(row1, col1, row2, col2, f);
    if (row1 < fixedRows() || row2 < fixedRows())
        viewport()->update();
}

void FlexGrid::setCellFont(int row1, int col1, int row2, int col2, const QFont &font)
{
    CellFormat f;
    f.font = font;
    m_model->formatRange(row1, col1, row2, col2, f);
}

int FlexGrid::colWidth(int col) const
{
    if (col < 0 || col >= cols())
        return 0;
    const int twips = m_model->column(col).widthTwips;
    if (twips >= 0)
        return twips;
    const int pixels =
        col < fixedCols() ? verticalHeader()->width() : horizontalHeader()->sectionSize(col - fixedCols());
    return pixelsToTwips(pixels > 0 ? pixels : horizontalHeader()->defaultSectionSize());
}

void FlexGrid::setColWidth(int col, int twips)
{
    if (col < 0 || col >= cols())
        return;
    m_model->column(col).widthTwips = std::max(0, twips);
    applyColumn(col);
}

Qt::Alignment FlexGrid::colAlignment(int col) const
{
    return (col >= 0 && col < cols()) ? m_model->column(col).alignment : Qt::AlignLeft | Qt::AlignVCenter;
}

void FlexGrid::setColAlignment(int col, Qt::Alignment alignment)
{
    if (col < 0 || col >= cols())
        return;
    m_model->column(col).alignment = alignment;
    viewport()->update();
}

bool FlexGrid::colHidden(int col) const
{
    return col >= 0 && col < cols() && m_model->column(col).hidden;
}

void FlexGrid::setColHidden(int col, bool hidden)
{
    if (col < 0 || col >= cols())
        return;
    m_model->column(col).hidden = hidden;
    applyColumn(col);
}

void FlexGrid::setColUserResizable(int col, bool resizable)
{
    if (col < 0 || col >= cols())
        return;
    m_model->column(col).userResizable = resizable;
    applyColumn(col);
}

bool FlexGrid::colLocked(int col) const
{
    return col >= 0 && col < cols() && m_model->column(col).locked;
}

void FlexGrid::setColLocked(int col, bool locked)
{
    if (col < 0 || col >= cols())
        return;
    m_model->column(col).locked = locked;
    updateCellButton();
}

int FlexGrid::measure(int row, int col, const QFontMetrics &plain, const QFontMetrics &bold,
                      QHash<QString, int> &widths) const
{
    const QString text = m_model->text(row, col);
    if (text.isEmpty())
        return 0;
    const CellFormat f = m_model->effectiveFormat(row, col);
    if (f.font) {
        QFont font = *f.font;
        if (f.bold)
            font.setBold(*f.bold);
        return QFontMetrics(font).horizontalAdvance(text);
    }
    if (f.bold && *f.bold)
        return bold.horizontalAdvance(text);
    auto known = widths.constFind(text);
    if (known == widths.cend())
        known = widths.insert(text, plain.horizontalAdvance(text));
    return *known;
}

void FlexGrid::autoSize(int col1, int col2, int extraTwips)
{
    col1 = std::max(col1, 0);
    col2 = std::min(col2, cols() - 1);
    if (col1 > col2)
        return;
    const QFontMetrics plain(font());
    QFont boldFont = font();
    boldFont.setBold(true);
    const QFontMetrics bold(boldFont);
    const QFontMetrics header(horizontalHeader()->font());
    const int first = fixedRows();
    const int dataRows = rows() - first;

    std::vector<int> sample;
    const bool everyRow = dataRows <= kAllRowsBelow;
    if (everyRow) {
        sample.resize(std::size_t(std::max(0, dataRows)));
        for (int i = 0; i < dataRows; ++i)
            sample[std::size_t(i)] = first + i;
    } else {
        const int ends = kSampleRows / 4;
        for (int i = 0; i < ends; ++i) {
            sample.push_back(first + i);
            sample.push_back(rows() - 1 - i);
        }
        const int step = dataRows / (kSampleRows / 2);
        for (int r = first; r < rows(); r += step)
            sample.push_back(r);
    }

    for (int c = col1; c <= col2; ++c) {
        int widest = 0;
        QHash<QString, int> widths;
        for (int r = 0; r < first; ++r) {
            const QString t = m_model->text(r, c);
            if (!t.isEmpty())
                widest = std::max(widest, header.horizontalAdvance(t));
        }
        for (int r : sample)
            widest = std::max(widest, measure(r, c, plain, bold, widths));
        if (!everyRow) {
            // The longest texts by length are measured too, so a rare long cell is not missed.
            using Entry = std::pair<int, int>; // length, row
            std::priority_queue<Entry, std::vector<Entry>, std::greater<>> longest;
            std::vector<int> lengths(kScanRows);
            for (int from = first; from < rows(); from += kScanRows) {
                const int n = std::min(kScanRows, rows() - from);
                m_model->lengthHints(from, n, c, lengths.data());
                for (int i = 0; i < n; ++i) {
                    const int len = lengths[std::size_t(i)];
                    if (int(longest.size()) < kLongestRows) {
                        longest.emplace(len, from + i);
                    } else if (len > longest.top().first) {
                        longest.pop();
                        longest.emplace(len, from + i);
                    }
                }
            }
            for (; !longest.empty(); longest.pop())
                widest = std::max(widest, measure(longest.top().second, c, plain, bold, widths));
        }
        const int pixels = (widest > 0 ? widest + kCellPadding : kCellPadding);
        m_model->column(c).widthTwips = pixelsToTwips(pixels) + std::max(0, extraTwips);
        applyColumn(c);
    }
}

// ---- layout of the view from the grid's state ----------------------------------------

void FlexGrid::applyColumn(int col)
{
    if (col < fixedCols()) {
        updateFixedCells();
        return;
    }
    const GridModel::ColumnInfo &info = m_model->column(col);
    const int section = col - fixedCols();
    setColumnHidden(section, info.hidden);
    if (info.widthTwips >= 0)
        setColumnWidth(section, twipsToPixels(info.widthTwips));
    horizontalHeader()->setSectionResizeMode(section, info.userResizable ? QHeaderView::Interactive
                                                                         : QHeaderView::Fixed);
}

void FlexGrid::updateFixedCells()
{
    const bool dataColumns = cols() > fixedCols();
    horizontalHeader()->setVisible(dataColumns && fixedRows() > 0);
    int fixedWidth = 0;
    for (int c = 0; c < fixedCols() && c < cols(); ++c) {
        const GridModel::ColumnInfo &info = m_model->column(c);
        if (!info.hidden)
            fixedWidth += info.widthTwips >= 0 ? twipsToPixels(info.widthTwips) : 2 * kCellPadding;
    }
    const bool rowHeader = dataColumns && fixedCols() > 0 && fixedWidth > 0;
    verticalHeader()->setVisible(rowHeader);
    if (rowHeader)
        verticalHeader()->setFixedWidth(fixedWidth);
    viewport()->update();
}

void FlexGrid::applyOutline()
{
    clearSpans();
    if (m_model->categoryCount() == 0) {
        if (m_outlineShown) {
            for (int r = 0; r < m_model->rowCount(); ++r)
                setRowHidden(r, false);
            m_outlineShown = false;
        }
        return;
    }
    m_outlineShown = true;
    bool hide = false;
    const int first = fixedRows();
    const int span = cols() - m_captionCol;
    for (int r = first; r < rows(); ++r) {
        if (isCategory(r)) {
            hide = isCollapsed(r);
            setRowHidden(r - first, false);
            if (m_captionCol >= fixedCols() && span > 1)
                setSpan(r - first, m_captionCol - fixedCols(), 1, span);
        } else {
            setRowHidden(r - first, hide);
        }
    }
}

void FlexGrid::clampCurrent()
{
    const int oldRow = m_row;
    const int oldCol = m_col;
    m_row = std::min(m_row, rows() - 1);
    m_col = std::min(m_col, cols() - 1);
    if (m_row == oldRow && m_col == oldCol)
        return;
    syncViewCurrent();
    emit afterRowColChange(oldRow, oldCol, m_row, m_col);
}

// Puts the view's current index on the grid's cell without announcing a move.
void FlexGrid::syncViewCurrent()
{
    const QModelIndex current = m_model->indexOf(m_row, m_col);
    if (!current.isValid() || currentIndex() == current)
        return;
    const bool wasSyncing = m_syncing;
    m_syncing = true;
    selectionModel()->setCurrentIndex(current, QItemSelectionModel::NoUpdate);
    m_syncing = wasSyncing;
}

void FlexGrid::applyLayout()
{
    for (int c = fixedCols(); c < cols(); ++c)
        applyColumn(c);
    updateFixedCells();
    applyOutline();
    syncViewCurrent();
    updateCellButton();
    clampCurrent();
}

// ---- outline -----------------------------------------------------------------------------

void FlexGrid::insertCategoryRows(int groupCol, int captionCol, const QColor &background, bool bold)
{
    m_captionCol = captionCol;
    m_model->insertCategoryRows(groupCol, captionCol, background, bold);
}

void FlexGrid::setCollapsed(int row, bool collapsed)
{
    if (!isCategory(row))
        return;
    m_model->setCollapsedFlag(row, collapsed);
    const int first = fixedRows();
    bool currentHidden = false;
    for (int r = row + 1; r < rows() && !isCategory(r); ++r) {
        setRowHidden(r - first, collapsed);
        currentHidden = currentHidden || (collapsed && r == m_row);
    }
    viewport()->update();
    if (currentHidden)
        setCurrentCell(row, m_col);
}

bool FlexGrid::isRowHidden(int row) const
{
    return row >= fixedRows() && row < rows() && QTableView::isRowHidden(row - fixedRows());
}

void FlexGrid::setOutlineCol(int col)
{
    m_outlineCol = col;
    viewport()->update();
}
