// SPDX-License-Identifier: MIT
#pragma once

#include "CellFormat.h"
#include "GridSource.h"
#include "common/core/RawBuffer.h"

#include <QAbstractTableModel>
#include <QHash>

#include <memory>
#include <vector>

// The table behind a FlexGrid, addressed by (row, column) from 0 over the whole grid,
// fixed rows and columns included. Item views see only the scrolling part: the model's
// rows and columns start after the fixed ones, whose texts become header data.
//
// A row costs 8 bytes until code writes into it or formats it; its cells come from a
// shared GridSource and are turned into text only when asked for.
class GridModel final : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit GridModel(QObject *parent = nullptr);
    ~GridModel() override;

    struct ColumnInfo {
        int widthTwips = -1; // -1: the view's default width
        Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter;
        bool hidden = false;
        bool userResizable = true;
        bool locked = false; // its cells are never edited
    };

    // Shape.
    int rows() const { return int(m_rows.size()); }
    int cols() const { return int(m_columns.size()); }
    int fixedRows() const { return m_fixedRows; }
    int fixedCols() const { return m_fixedCols; }
    void setRows(int rows);
    void setCols(int cols);
    void setFixedRows(int fixed);
    void setFixedCols(int fixed);
    // Every text and cell format goes; shape and column settings stay.
    void clear();
    // Appends a row with the given cells (from column 0), or inserts it before `before`.
    int addRow(const QStringList &cells, int before = -1);
    void removeRow(int row);

    // Rows [firstRow, firstRow + source rows) and columns from firstCol show the source's
    // cells; the grid grows to hold them. Texts written later override single cells.
    void setSource(std::shared_ptr<const GridSource> source, int firstRow, int firstCol);
    // The source has grown: its new rows follow the grid's last row.
    void sourceRowsAdded();
    const GridSource *source() const { return m_source.get(); }
    const std::shared_ptr<const GridSource> &sharedSource() const { return m_source; }

    // Cells.
    QString text(int row, int col) const;
    void setText(int row, int col, const QString &text);
    // A cheap measure of the texts' lengths (GridSource::lengthHint) in rows first ..
    // first + count - 1 of one column.
    void lengthHints(int first, int count, int col, int *out) const;
    qint32 rowData(int row) const;
    void setRowData(int row, qint32 value);
    void formatRange(int row1, int col1, int row2, int col2, const CellFormat &format);
    CellFormat effectiveFormat(int row, int col) const;

    // Columns.
    const ColumnInfo &column(int col) const { return m_columns.at(std::size_t(col)); }
    ColumnInfo &column(int col) { return m_columns.at(std::size_t(col)); }

    // Outline.
    bool isCategory(int row) const;
    bool isCollapsed(int row) const;
    void setCollapsedFlag(int row, bool collapsed);
    int categoryCount() const { return m_categoryRows; }
    // A category row above each run of equal texts in groupCol (below the fixed rows),
    // its caption in captionCol.
    void insertCategoryRows(int groupCol, int captionCol, const QColor &background, bool bold);
    void removeCategoryRows();
    // Stable, in text order, by the given columns one after the other.
    void sortRows(const QList<int> &byCols);

    // Item-model view of the scrolling part.
    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

    void setEditable(bool editable) { m_editable = editable; }
    bool editable() const { return m_editable; }

    // Grid coordinates of a view index and back; an invalid index for fixed cells.
    int gridRow(const QModelIndex &index) const { return index.row() + m_fixedRows; }
    int gridCol(const QModelIndex &index) const { return index.column() + m_fixedCols; }
    QModelIndex indexOf(int row, int col) const;

private:
    // Eight bytes, as a list of a million rows holds a million of them: what few rows have
    // is in their RowExtra.
    struct Row {
        qint32 source = -1;   // row of m_source, -1 for none
        quint32 key : 31 = 0; // into m_extra, 0 for a row with nothing of its own
        quint32 category : 1 = 0;
    };
    static_assert(sizeof(Row) == 8);
    struct RowExtra {
        QHash<int, QString> texts;
        QHash<int, CellFormat> formats;
        CellFormat rowFormat;
        qint32 data = 0; // the caller's row data
        bool collapsed = false;
    };

    RowExtra *extra(int row) const;
    RowExtra &ensureExtra(int row);
    void dropExtra(const Row &row);
    QVariant roleValue(int row, int col, int role) const;
    void notifyCell(int row, int col);

    RawBuffer<Row> m_rows; // grows without copying while a long list is read in
    std::vector<ColumnInfo> m_columns;
    QHash<quint32, RowExtra> m_extra;
    quint32 m_nextKey = 1;
    int m_fixedRows = 0;
    int m_fixedCols = 0;
    int m_categoryRows = 0;
    bool m_editable = false;
    std::shared_ptr<const GridSource> m_source;
    int m_sourceCol = 0;
    int m_sourceRows = 0; // rows of m_source the grid shows
};
