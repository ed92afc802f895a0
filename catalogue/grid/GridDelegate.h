// SPDX-License-Identifier: MIT
#pragma once

#include <QPointer>
#include <QStyledItemDelegate>

class FlexGrid;

// Draws the grid's cells (outline symbols, the owner-draw notification) and makes its
// in-place editors: a line edit, a choice list, or a line edit with a cell button.
class GridDelegate final : public QStyledItemDelegate {
    Q_OBJECT
public:
    explicit GridDelegate(FlexGrid *grid);

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;
    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                          const QModelIndex &index) const override;
    void setEditorData(QWidget *editor, const QModelIndex &index) const override;
    void setModelData(QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const override;

    // The editor opened last, while it is open.
    QWidget *currentEditor() const { return m_editor; }

    static QIcon ellipsisIcon(int size);

private:
    void paintOutlineSymbol(QPainter *painter, const QStyleOptionViewItem &option, bool collapsed) const;
    void paintOwnerDrawn(QPainter *painter, const QStyleOptionViewItem &option,
                         const QModelIndex &index) const;

    FlexGrid *m_grid;
    mutable QPointer<QWidget> m_editor;
};
