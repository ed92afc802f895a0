// SPDX-License-Identifier: MIT
#pragma once

#include "CellFormat.h"
#include "GridModel.h"

#include <QHash>
#include <QIcon>
#include <QPainter>
#include <QPersistentModelIndex>
#include <QTableView>

#include <array>

class QToolButton;

// The catalogue's grid control. Cells are addressed by (row, column) from 0 over the whole
// grid; leading fixed rows and columns are drawn as headers, never scroll and are never
// edited. Handlers that may refuse an action get a `bool *cancel` (or `*swallow`) to set.
class FlexGrid final : public QTableView {
    Q_OBJECT
public:
    enum class EditMode { None, Keyboard, KeyboardMouse };

    explicit FlexGrid(QWidget *parent = nullptr);
    ~FlexGrid() override;

    GridModel *gridModel() const { return m_model; }

    // Shape.
    int rows() const { return m_model->rows(); }
    int cols() const { return m_model->cols(); }
    int fixedRows() const { return m_model->fixedRows(); }
    int fixedCols() const { return m_model->fixedCols(); }
    void setRows(int rows) { m_model->setRows(rows); }
    void setCols(int cols) { m_model->setCols(cols); }
    void setFixedRows(int fixed) { m_model->setFixedRows(fixed); }
    void setFixedCols(int fixed) { m_model->setFixedCols(fixed); }
    void clear() { m_model->clear(); }
    int addItem(const QStringList &cells, int before = -1) { return m_model->addRow(cells, before); }
    void removeItem(int row) { m_model->removeRow(row); }
    void setSource(std::shared_ptr<const GridSource> source, int firstRow, int firstCol)
    {
        m_model->setSource(std::move(source), firstRow, firstCol);
    }
    void sourceRowsAdded() { m_model->sourceRowsAdded(); }

    // Cells.
    QString textMatrix(int row, int col) const { return m_model->text(row, col); }
    void setTextMatrix(int row, int col, const QString &text) { m_model->setText(row, col, text); }
    qint32 rowData(int row) const { return m_model->rowData(row); }
    void setRowData(int row, qint32 value) { m_model->setRowData(row, value); }
    // The current cell; -1 when the grid has none.
    int row() const { return m_row; }
    int col() const { return m_col; }
    // Runs the before/after notifications like a user's move; false when a handler refused.
    bool setCurrentCell(int row, int col);
    void select(int row1, int col1, int row2, int col2);
    void showCell(int row, int col);
    void setCellBackColor(int row1, int col1, int row2, int col2, const QColor &color);
    void setCellFontBold(int row1, int col1, int row2, int col2, bool bold);
    void setCellAlignment(int row1, int col1, int row2, int col2, Qt::Alignment alignment);
    void setCellFont(int row1, int col1, int row2, int col2, const QFont &font);

    // Columns; widths in twips.
    int colWidth(int col) const;
    void setColWidth(int col, int twips);
    // Fits columns col1..col2 to their contents plus extraTwips. Large grids measure a sample
    // of rows and the longest texts, never every cell.
    void autoSize(int col1, int col2, int extraTwips);
    Qt::Alignment colAlignment(int col) const;
    void setColAlignment(int col, Qt::Alignment alignment);
    bool colHidden(int col) const;
    void setColHidden(int col, bool hidden);
    void setColUserResizable(int col, bool resizable);
    // A locked column is never edited, whatever the grid's editing mode.
    bool colLocked(int col) const;
    void setColLocked(int col, bool locked);

    // Editing.
    EditMode editable() const { return m_editMode; }
    void setEditable(EditMode mode);
    // Opens the editor on the current cell, running the before-edit notifications.
    bool editCell();
    bool isEditing() const { return state() == QAbstractItemView::EditingState; }
    // Ends an open edit as Enter would: the text goes into the cell and afterEdit follows.
    void commitEdit();
    // The choice list of the cell about to be edited: items joined by "|"; a leading "|"
    // also accepts typed text; "..." shows a cell button instead. Set it in beforeEdit.
    QString comboList() const { return m_comboList; }
    void setComboList(const QString &list) { m_comboList = list; }
    QIcon cellButtonPicture() const { return m_buttonPicture; }
    void setCellButtonPicture(const QIcon &picture);

    // Outline.
    void sort(const QList<int> &byCols) { m_model->sortRows(byCols); }
    void insertCategoryRows(int groupCol, int captionCol, const QColor &background, bool bold);
    void removeCategoryRows() { m_model->removeCategoryRows(); }
    void setCollapsed(int row, bool collapsed);
    bool isCategory(int row) const { return m_model->isCategory(row); }
    bool isCollapsed(int row) const { return m_model->isCollapsed(row); }
    bool isRowHidden(int row) const;
    // Where category rows draw their collapse symbol; -1 for nowhere.
    void setOutlineCol(int col);
    int outlineCol() const { return m_outlineCol; }

    // Selection.
    void setMultiRowSelection(bool allowed);
    bool multiRowSelection() const { return m_multiRow; }
    int selectedRowCount() const;
    int selectedRow(int n) const; // -1 when there is no n-th selected row

    // Drawing.
    bool redraw() const { return m_redraw; }
    void setRedraw(bool on);
    // When on, drawCell is emitted for every data cell after its background is painted and
    // before its text is.
    void setOwnerDraw(bool on) { m_ownerDraw = on; }
    bool ownerDraw() const { return m_ownerDraw; }

    int twipsToPixels(int twips) const;
    int pixelsToTwips(int pixels) const;

signals:
    // The signals with a `bool *cancel` or `*swallow` read the answer as soon as the emit
    // returns, and the flag lives on the emitter's stack: connect them with
    // Qt::DirectConnection only (a queued slot would write to a dead frame, too late).
    void dblClick();
    void keyDown(int key, Qt::KeyboardModifiers modifiers, bool *swallow);
    void mouseDown(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, const QPoint &pos);
    void beforeRowColChange(int oldRow, int oldCol, int newRow, int newCol, bool *cancel);
    void afterRowColChange(int oldRow, int oldCol, int newRow, int newCol);
    void beforeUserResize(int row, int col, bool *cancel);
    void beforeEdit(int row, int col, bool *cancel);
    void startEdit(int row, int col, bool *cancel);
    void afterEdit(int row, int col);
    void cellButtonClick(int row, int col);
    void comboCloseUp(int row, int col);
    void drawCell(QPainter *painter, int row, int col, const QRect &rect);

protected:
    bool edit(const QModelIndex &index, EditTrigger trigger, QEvent *event) override;
    void commitData(QWidget *editor) override;
    void closeEditor(QWidget *editor, QAbstractItemDelegate::EndEditHint hint) override;
    void keyPressEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void scrollContentsBy(int dx, int dy) override;
    void resizeEvent(QResizeEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    friend class GridSelectionModel;
    friend class GridDelegate;

    // The selection model asks before the view moves its current cell.
    bool allowMove(const QModelIndex &to);
    void onCurrentChanged(const QModelIndex &current);
    void applyLayout();
    void syncViewCurrent();
    // The first cell of the span that covers index; index itself when none does.
    QModelIndex spanAnchor(const QModelIndex &index) const;
    // Keeps the current cell inside the grid after a change of shape, announcing the move.
    void clampCurrent();
    void applyColumn(int col);
    void applyOutline();
    void updateFixedCells();
    void updateCellButton(); // asks the handlers whether the current cell offers a list or button
    void placeCellButton();
    void onCellButton();
    void editorOpened(const QModelIndex &index) { m_editIndex = index; }
    // `widths` remembers the plain texts measured already: a column repeats many of its texts.
    int measure(int row, int col, const QFontMetrics &plain, const QFontMetrics &bold,
                QHash<QString, int> &widths) const;

    GridModel *m_model;
    int m_row = -1;
    int m_col = -1;
    bool m_syncing = false;
    bool m_pendingFixed = false;
    int m_pendingRow = -1;
    int m_pendingCol = -1;
    EditMode m_editMode = EditMode::None;
    QString m_comboList;
    QIcon m_buttonPicture;
    QToolButton *m_cellButton = nullptr;
    bool m_buttonWanted = false;
    QPersistentModelIndex m_editIndex;
    bool m_committed = false;
    int m_outlineCol = 0;
    int m_captionCol = 0;
    bool m_outlineShown = false;
    bool m_inPress = false;
    bool m_pressSelected = false;
    std::array<int, 4> m_pressSelection{};
    bool m_multiRow = false;
    bool m_redraw = true;
    bool m_ownerDraw = false;
};
