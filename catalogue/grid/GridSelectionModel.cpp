// SPDX-License-Identifier: MIT
#include "GridSelectionModel.h"

#include "FlexGrid.h"

GridSelectionModel::GridSelectionModel(QAbstractItemModel *model, FlexGrid *grid)
    : QItemSelectionModel(model, grid), m_grid(grid)
{
}

void GridSelectionModel::setCurrentIndex(const QModelIndex &index,
                                         QItemSelectionModel::SelectionFlags command)
{
    if (!m_grid->allowMove(index))
        return;
    QItemSelectionModel::setCurrentIndex(index, command);
}
