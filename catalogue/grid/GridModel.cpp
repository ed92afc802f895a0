// SPDX-License-Identifier: MIT
#include "GridModel.h"

#include <algorithm>
#include <numeric>

GridModel::GridModel(QObject *parent) : QAbstractTableModel(parent) {}

GridModel::~GridModel() = default;

GridModel::RowExtra *GridModel::extra(int row) const
{
    const quint32 key = m_rows[std::size_t(row)].key;
    if (key == 0)
        return nullptr;
    auto it = m_extra.find(key);
    return it == m_extra.end() ? nullptr : const_cast<RowExtra *>(&it.value());
}

GridModel::RowExtra &GridModel::ensureExtra(int row)
{
    Row &r = m_rows[std::size_t(row)];
    if (r.key == 0)
        r.key = m_nextKey++;
    return m_extra[r.key];
}

void GridModel::dropExtra(const Row &row)
{
    if (row.key != 0)
        m_extra.remove(row.key);
}

QModelIndex GridModel::indexOf(int row, int col) const
{
    if (row < m_fixedRows || col < m_fixedCols || row >= rows() || col >= cols())
        return {};
    return index(row - m_fixedRows, col - m_fixedCols);
}

void GridModel::setRows(int n)
{
    n = std::max(0, n);
    const int oldView = std::max(0, rows() - m_fixedRows);
    const int newView = std::max(0, n - m_fixedRows);
    if (newView > oldView) {
        beginInsertRows({}, oldView, newView - 1);
        m_rows.resize(static_cast<std::size_t>(n));
        endInsertRows();
    } else if (newView < oldView) {
        beginRemoveRows({}, newView, oldView - 1);
        for (std::size_t i = std::size_t(n); i < m_rows.size(); ++i) {
            if (m_rows[i].category)
                --m_categoryRows;
            dropExtra(m_rows[i]);
        }
        m_rows.resize(static_cast<std::size_t>(n));
        endRemoveRows();
    } else {
        m_rows.resize(static_cast<std::size_t>(n));
        if (columnCount() > 0)
            emit headerDataChanged(Qt::Horizontal, 0, columnCount() - 1);
    }
}

void GridModel::setCols(int n)
{
    n = std::max(0, n);
    const int oldView = std::max(0, cols() - m_fixedCols);
    const int newView = std::max(0, n - m_fixedCols);
    if (newView > oldView) {
        beginInsertColumns({}, oldView, newView - 1);
        m_columns.resize(static_cast<std::size_t>(n));
        endInsertColumns();
    } else if (newView < oldView) {
        beginRemoveColumns({}, newView, oldView - 1);
        m_columns.resize(static_cast<std::size_t>(n));
        for (RowExtra &e : m_extra) {
            e.texts.removeIf([n](auto it) { return it.key() >= n; });
            e.formats.removeIf([n](auto it) { return it.key() >= n; });
        }
        endRemoveColumns();
    } else {
        m_columns.resize(static_cast<std::size_t>(n));
        if (rowCount() > 0)
            emit headerDataChanged(Qt::Vertical, 0, rowCount() - 1);
    }
}

void GridModel::setFixedRows(int fixed)
{
    fixed = std::max(0, fixed);
    if (fixed == m_fixedRows)
        return;
    beginResetModel();
    m_fixedRows = fixed;
    endResetModel();
}

void GridModel::setFixedCols(int fixed)
{
    fixed = std::max(0, fixed);
    if (fixed == m_fixedCols)
        return;
    beginResetModel();
    m_fixedCols = fixed;
    endResetModel();
}

void GridModel::clear()
{
    beginResetModel();
    m_source.reset();
    m_sourceRows = 0;
    // The caller's row data outlives a clear; texts and formats do not.
    QHash<quint32, RowExtra> kept;
    for (Row &r : m_rows) {
        r.source = -1;
        r.category = 0;
        if (r.key == 0)
            continue;
        const auto it = m_extra.constFind(r.key);
        if (it != m_extra.cend() && it->data != 0) {
            RowExtra e;
            e.data = it->data;
            kept.insert(r.key, e);
        } else {
            r.key = 0;
        }
    }
    m_extra = std::move(kept);
    m_categoryRows = 0;
    endResetModel();
}

int GridModel::addRow(const QStringList &cells, int before)
{
    const int at = (before < 0 || before > rows()) ? rows() : before;
    const bool viewRow = at >= m_fixedRows;
    if (viewRow)
        beginInsertRows({}, at - m_fixedRows, at - m_fixedRows);
    else
        beginResetModel();
    m_rows.insert(std::size_t(at), Row{});
    if (!cells.isEmpty()) {
        RowExtra &e = ensureExtra(at);
        for (int c = 0; c < cells.size() && c < cols(); ++c)
            e.texts.insert(c, cells[c]);
    }
    if (viewRow)
        endInsertRows();
    else
        endResetModel();
    return at;
}

void GridModel::removeRow(int row)
{
    if (row < 0 || row >= rows())
        return;
    const bool viewRow = row >= m_fixedRows;
    if (viewRow)
        beginRemoveRows({}, row - m_fixedRows, row - m_fixedRows);
    else
        beginResetModel();
    if (m_rows[std::size_t(row)].category)
        --m_categoryRows;
    dropExtra(m_rows[std::size_t(row)]);
    m_rows.erase(std::size_t(row));
    if (viewRow)
        endRemoveRows();
    else
        endResetModel();
}

void GridModel::setSource(std::shared_ptr<const GridSource> source, int firstRow, int firstCol)
{
    beginResetModel();
    m_source = std::move(source);
    m_sourceCol = firstCol;
    m_sourceRows = 0;
    for (Row &r : m_rows)
        r.source = -1;
    if (m_source) {
        const int n = m_source->rowCount();
        if (rows() < firstRow + n)
            m_rows.resize(std::size_t(firstRow + n));
        if (cols() < firstCol + m_source->columnCount())
            m_columns.resize(std::size_t(firstCol + m_source->columnCount()));
        for (int i = 0; i < n; ++i)
            m_rows[std::size_t(firstRow + i)].source = i;
        m_sourceRows = n;
    }
    endResetModel();
}

void GridModel::sourceRowsAdded()
{
    const int n = m_source ? m_source->rowCount() : 0;
    if (n <= m_sourceRows)
        return;
    const int first = std::max(0, rows() - m_fixedRows);
    beginInsertRows({}, first, first + (n - m_sourceRows) - 1);
    // A batch at a time, and no spare room: the last batch is when a long list peaks.
    m_rows.reserve(m_rows.size() + std::size_t(n - m_sourceRows));
    for (int i = m_sourceRows; i < n; ++i) {
        Row r;
        r.source = i;
        m_rows.push_back(r);
    }
    m_sourceRows = n;
    endInsertRows();
}

QString GridModel::text(int row, int col) const
{
    if (row < 0 || col < 0 || row >= rows() || col >= cols())
        return {};
    const Row &r = m_rows[std::size_t(row)];
    if (r.key != 0) {
        if (const RowExtra *e = extra(row)) {
            auto it = e->texts.constFind(col);
            if (it != e->texts.cend())
                return *it;
        }
    }
    if (r.source >= 0 && m_source) {
        const int sc = col - m_sourceCol;
        if (sc >= 0 && sc < m_source->columnCount())
            return m_source->text(r.source, sc);
    }
    return {};
}

void GridModel::lengthHints(int first, int count, int col, int *out) const
{
    const int sc = col - m_sourceCol;
    const bool inSource = m_source && sc >= 0 && sc < m_source->columnCount();
    std::vector<int> sourceRows;
    std::vector<int> at; // where each source row's length goes
    sourceRows.reserve(std::size_t(count));
    at.reserve(std::size_t(count));
    for (int i = 0; i < count; ++i) {
        const Row &r = m_rows[std::size_t(first + i)];
        if (r.key != 0 || r.source < 0 || !m_source) {
            out[i] = int(text(first + i, col).size());
        } else if (!inSource) {
            out[i] = 0;
        } else {
            sourceRows.push_back(r.source);
            at.push_back(i);
        }
    }
    if (sourceRows.empty())
        return;
    std::vector<int> lengths(sourceRows.size());
    m_source->lengthHints(sc, sourceRows.data(), int(sourceRows.size()), lengths.data());
    for (std::size_t k = 0; k < lengths.size(); ++k)
        out[at[k]] = lengths[k];
}

void GridModel::notifyCell(int row, int col)
{
    if (row >= m_fixedRows && col >= m_fixedCols) {
        const QModelIndex i = indexOf(row, col);
        emit dataChanged(i, i);
    } else if (row < m_fixedRows && col >= m_fixedCols) {
        emit headerDataChanged(Qt::Horizontal, col - m_fixedCols, col - m_fixedCols);
    } else if (col < m_fixedCols && row >= m_fixedRows) {
        emit headerDataChanged(Qt::Vertical, row - m_fixedRows, row - m_fixedRows);
    }
}

void GridModel::setText(int row, int col, const QString &text)
{
    if (row < 0 || col < 0 || row >= rows() || col >= cols())
        return;
    ensureExtra(row).texts.insert(col, text);
    notifyCell(row, col);
}

qint32 GridModel::rowData(int row) const
{
    const RowExtra *e = (row >= 0 && row < rows()) ? extra(row) : nullptr;
    return e ? e->data : 0;
}

void GridModel::setRowData(int row, qint32 value)
{
    if (row < 0 || row >= rows())
        return;
    if (RowExtra *e = extra(row))
        e->data = value;
    else if (value != 0)
        ensureExtra(row).data = value;
}

void GridModel::formatRange(int row1, int col1, int row2, int col2, const CellFormat &format)
{
    if (row1 > row2)
        std::swap(row1, row2);
    if (col1 > col2)
        std::swap(col1, col2);
    row1 = std::max(row1, 0);
    col1 = std::max(col1, 0);
    row2 = std::min(row2, rows() - 1);
    col2 = std::min(col2, cols() - 1);
    if (row1 > row2 || col1 > col2)
        return;
    for (int r = row1; r <= row2; ++r) {
        RowExtra &e = ensureExtra(r);
        for (int c = col1; c <= col2; ++c) {
            CellFormat &f = e.formats[c];
            if (format.background)
                f.background = format.background;
            if (format.bold)
                f.bold = format.bold;
            if (format.alignment)
                f.alignment = format.alignment;
            if (format.font)
                f.font = format.font;
        }
    }
    const QModelIndex tl = indexOf(std::max(row1, m_fixedRows), std::max(col1, m_fixedCols));
    const QModelIndex br = indexOf(row2, col2);
    if (tl.isValid() && br.isValid())
        emit dataChanged(tl, br);
    if (row1 < m_fixedRows && columnCount() > 0)
        emit headerDataChanged(Qt::Horizontal, 0, columnCount() - 1);
}

CellFormat GridModel::effectiveFormat(int row, int col) const
{
    CellFormat f;
    if (row < 0 || row >= rows() || col < 0 || col >= cols())
        return f;
    if (const RowExtra *e = extra(row)) {
        f = e->rowFormat;
        auto it = e->formats.constFind(col);
        if (it != e->formats.cend()) {
            if (it->background)
                f.background = it->background;
            if (it->bold)
                f.bold = it->bold;
            if (it->alignment)
                f.alignment = it->alignment;
            if (it->font)
                f.font = it->font;
        }
    }
    if (!f.alignment)
        f.alignment = m_columns[std::size_t(col)].alignment;
    return f;
}

bool GridModel::isCategory(int row) const
{
    return row >= 0 && row < rows() && m_rows[std::size_t(row)].category;
}

bool GridModel::isCollapsed(int row) const
{
    if (!isCategory(row))
        return false;
    const RowExtra *e = extra(row);
    return e && e->collapsed;
}

void GridModel::setCollapsedFlag(int row, bool collapsed)
{
    if (!isCategory(row))
        return;
    ensureExtra(row).collapsed = collapsed;
}

void GridModel::insertCategoryRows(int groupCol, int captionCol, const QColor &background, bool bold)
{
    beginResetModel();
    RawBuffer<Row> out;
    out.append(m_rows.data(), std::size_t(std::max(0, std::min(m_fixedRows, rows()))));
    QString previous;
    bool first = true;
    for (int r = m_fixedRows; r < rows(); ++r) {
        const Row row = m_rows[std::size_t(r)];
        if (!row.category) {
            const QString group = text(r, groupCol);
            if (first || group != previous) {
                Row cat;
                cat.category = 1;
                cat.key = m_nextKey++;
                RowExtra &e = m_extra[cat.key];
                e.texts.insert(groupCol, group);
                e.texts.insert(captionCol, group);
                e.rowFormat.background = background;
                e.rowFormat.bold = bold;
                out.push_back(cat);
                ++m_categoryRows;
                previous = group;
                first = false;
            }
        }
        out.push_back(row);
    }
    m_rows = std::move(out);
    endResetModel();
}

void GridModel::removeCategoryRows()
{
    if (m_categoryRows == 0)
        return;
    beginResetModel();
    m_rows.eraseIf([this](const Row &r) {
        if (!r.category)
            return false;
        dropExtra(r);
        return true;
    });
    m_categoryRows = 0;
    endResetModel();
}

void GridModel::sortRows(const QList<int> &byCols)
{
    const int first = m_fixedRows;
    const int n = rows() - first;
    if (n < 2 || byCols.isEmpty())
        return;
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    std::vector<QStringList> keys(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i)
        for (int c : byCols)
            keys[std::size_t(i)] << text(first + i, c);
    std::vector<int> order(static_cast<std::size_t>(n));
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&keys](int a, int b) {
        const QStringList &ka = keys[std::size_t(a)];
        const QStringList &kb = keys[std::size_t(b)];
        for (qsizetype k = 0; k < ka.size(); ++k) {
            const int cmp = ka[k].compare(kb[k], Qt::CaseSensitive);
            if (cmp != 0)
                return cmp < 0;
        }
        return false;
    });
    std::vector<Row> sorted(static_cast<std::size_t>(n));
    std::vector<int> newPos(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
        sorted[std::size_t(i)] = m_rows[std::size_t(first + order[std::size_t(i)])];
        newPos[std::size_t(order[std::size_t(i)])] = i;
    }
    std::copy(sorted.begin(), sorted.end(), m_rows.begin() + first);
    const QModelIndexList before = persistentIndexList();
    QModelIndexList after;
    after.reserve(before.size());
    for (const QModelIndex &i : before)
        after << index(newPos[std::size_t(i.row())], i.column());
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

int GridModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : std::max(0, rows() - m_fixedRows);
}

int GridModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : std::max(0, cols() - m_fixedCols);
}

QVariant GridModel::roleValue(int row, int col, int role) const
{
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole: return text(row, col);
    case Qt::TextAlignmentRole: return QVariant::fromValue(*effectiveFormat(row, col).alignment);
    case Qt::BackgroundRole: {
        const CellFormat f = effectiveFormat(row, col);
        return f.background ? QVariant(*f.background) : QVariant();
    }
    case Qt::FontRole: {
        const CellFormat f = effectiveFormat(row, col);
        if (!f.font && !f.bold)
            return {};
        QFont font = f.font.value_or(QFont());
        if (f.bold)
            font.setBold(*f.bold);
        return font;
    }
    default: return {};
    }
}

QVariant GridModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid))
        return {};
    return roleValue(gridRow(index), gridCol(index), role);
}

bool GridModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (role != Qt::EditRole || !checkIndex(index, CheckIndexOption::IndexIsValid))
        return false;
    setText(gridRow(index), gridCol(index), value.toString());
    return true;
}

QVariant GridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole && role != Qt::TextAlignmentRole)
        return {};
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(Qt::Alignment(Qt::AlignLeft | Qt::AlignVCenter));
    QStringList parts;
    if (orientation == Qt::Horizontal) {
        const int col = section + m_fixedCols;
        for (int r = 0; r < m_fixedRows && r < rows(); ++r)
            parts << text(r, col);
        return parts.join(u'\n');
    }
    const int row = section + m_fixedRows;
    for (int c = 0; c < m_fixedCols && c < cols(); ++c)
        parts << text(row, c);
    return parts.join(u' ');
}

Qt::ItemFlags GridModel::flags(const QModelIndex &index) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid))
        return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (m_editable && !isCategory(gridRow(index)) && !column(gridCol(index)).locked)
        f |= Qt::ItemIsEditable;
    return f;
}
