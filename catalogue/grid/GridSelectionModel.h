// SPDX-License-Identifier: MIT
#pragma once

#include <QItemSelectionModel>

class FlexGrid;

// Lets the grid's handlers refuse (or redirect) a move of the current cell before the view
// makes it.
class GridSelectionModel final : public QItemSelectionModel {
    Q_OBJECT
public:
    GridSelectionModel(QAbstractItemModel *model, FlexGrid *grid);

    void setCurrentIndex(const QModelIndex &index, QItemSelectionModel::SelectionFlags command) override;

private:
    FlexGrid *m_grid;
};
