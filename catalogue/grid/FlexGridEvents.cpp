// SPDX-License-Identifier: MIT
// FlexGrid: in-place editing, the cell button and the mouse and keyboard.
#include "FlexGrid.h"

#include "GridDelegate.h"

#include <QComboBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QToolButton>

// ---- editing -------------------------------------------------------------------------

void FlexGrid::setEditable(EditMode mode)
{
    m_editMode = mode;
    m_model->setEditable(mode != EditMode::None);
    QAbstractItemView::EditTriggers triggers = QAbstractItemView::NoEditTriggers;
    if (mode != EditMode::None)
        triggers = QAbstractItemView::EditKeyPressed | QAbstractItemView::AnyKeyPressed;
    if (mode == EditMode::KeyboardMouse)
        triggers |= QAbstractItemView::SelectedClicked | QAbstractItemView::DoubleClicked;
    setEditTriggers(triggers);
    updateCellButton();
}

void FlexGrid::setCellButtonPicture(const QIcon &picture)
{
    m_buttonPicture = picture;
    updateCellButton();
}

bool FlexGrid::editCell()
{
    const QModelIndex i = currentIndex();
    return i.isValid() && edit(i, QAbstractItemView::AllEditTriggers, nullptr);
}

bool FlexGrid::edit(const QModelIndex &index, EditTrigger trigger, QEvent *event)
{
    // A selected click only starts a timer; the timer comes back here with AllEditTriggers.
    const bool opening = index.isValid() && state() != QAbstractItemView::EditingState &&
                         (m_model->flags(index) & Qt::ItemIsEditable) &&
                         (trigger == QAbstractItemView::AllEditTriggers ||
                          (trigger != QAbstractItemView::SelectedClicked && (editTriggers() & trigger)));
    if (opening) {
        const int r = m_model->gridRow(index);
        const int c = m_model->gridCol(index);
        bool cancel = false;
        emit beforeEdit(r, c, &cancel);
        if (!cancel)
            emit startEdit(r, c, &cancel);
        if (cancel)
            return false;
        m_committed = false;
    }
    const bool result = QTableView::edit(index, trigger, event);
    if (state() == QAbstractItemView::EditingState)
        m_cellButton->hide();
    return result;
}

void FlexGrid::commitEdit()
{
    if (!isEditing())
        return;
    QWidget *editor = static_cast<GridDelegate *>(itemDelegate())->currentEditor();
    if (!editor)
        return;
    commitData(editor);
    closeEditor(editor, QAbstractItemDelegate::NoHint);
}

void FlexGrid::commitData(QWidget *editor)
{
    QTableView::commitData(editor);
    m_committed = true;
}

void FlexGrid::closeEditor(QWidget *editor, QAbstractItemDelegate::EndEditHint hint)
{
    QTableView::closeEditor(editor, hint);
    const QPersistentModelIndex edited = m_editIndex;
    m_editIndex = QPersistentModelIndex();
    if (m_committed && edited.isValid()) {
        m_committed = false;
        emit afterEdit(m_model->gridRow(edited), m_model->gridCol(edited));
    }
    m_committed = false;
    updateCellButton();
}

void FlexGrid::updateCellButton()
{
    m_buttonWanted = false;
    m_cellButton->hide();
    const QModelIndex current = m_model->indexOf(m_row, m_col);
    if (m_editMode == EditMode::None || !m_redraw || !current.isValid() || isEditing() ||
        !(m_model->flags(current) & Qt::ItemIsEditable))
        return;
    // As the control it stands in for, the grid asks before it offers a list or button.
    bool cancel = false;
    emit beforeEdit(m_row, m_col, &cancel);
    if (cancel || m_comboList.isEmpty())
        return;
    if (m_comboList == QLatin1String("...")) {
        m_cellButton->setArrowType(Qt::NoArrow);
        m_cellButton->setIcon(m_buttonPicture.isNull() ? GridDelegate::ellipsisIcon(16) : m_buttonPicture);
    } else {
        m_cellButton->setIcon({});
        m_cellButton->setArrowType(Qt::DownArrow);
    }
    m_buttonWanted = true;
    placeCellButton();
}

void FlexGrid::placeCellButton()
{
    const QRect cell = visualRect(m_model->indexOf(m_row, m_col));
    if (!m_buttonWanted || isEditing() || cell.isEmpty()) {
        m_cellButton->hide();
        return;
    }
    const int side = cell.height();
    m_cellButton->setGeometry(cell.right() - side + 1, cell.top(), side, side);
    m_cellButton->show();
}

void FlexGrid::onCellButton()
{
    if (m_comboList == QLatin1String("...")) {
        emit cellButtonClick(m_row, m_col);
        return;
    }
    if (!editCell())
        return;
    const auto *delegate = static_cast<GridDelegate *>(itemDelegate());
    if (auto *combo = qobject_cast<QComboBox *>(delegate->currentEditor()))
        combo->showPopup();
}

// ---- events ----------------------------------------------------------------------------

void FlexGrid::keyPressEvent(QKeyEvent *event)
{
    bool swallow = false;
    emit keyDown(event->key(), event->modifiers(), &swallow);
    if (swallow) {
        event->accept();
        return;
    }
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && !isEditing() && m_editMode != EditMode::None && currentIndex().isValid() &&
        edit(currentIndex(), QAbstractItemView::EditKeyPressed, event))
        return;
    QTableView::keyPressEvent(event);
}

void FlexGrid::mousePressEvent(QMouseEvent *event)
{
    const QPoint pos = event->position().toPoint();
    emit mouseDown(event->button(), event->modifiers(), pos);
    if (event->button() == Qt::RightButton) {
        // A context menu acts on what is selected; the click itself does not move the cursor.
        event->accept();
        return;
    }
    const QModelIndex at = indexAt(pos);
    if (at.isValid() && m_model->gridCol(at) == m_outlineCol && isCategory(m_model->gridRow(at)))
        setCollapsed(m_model->gridRow(at), !isCollapsed(m_model->gridRow(at)));

    m_inPress = true;
    m_pressSelected = false;
    QTableView::mousePressEvent(event);
    m_inPress = false;
    // A handler that moved the cursor elsewhere also chose the selection; the view's own
    // selection of the clicked cell must not replace it.
    const QModelIndex current = currentIndex();
    if (!isEditing() && current.isValid() && at.isValid() && current != at) {
        if (m_pressSelected)
            select(m_pressSelection[0], m_pressSelection[1], m_pressSelection[2], m_pressSelection[3]);
        else
            select(m_row, m_col, m_row, m_col);
    }
}

void FlexGrid::mouseDoubleClickEvent(QMouseEvent *event)
{
    QTableView::mouseDoubleClickEvent(event);
    if (event->button() == Qt::LeftButton)
        emit dblClick();
}

void FlexGrid::paintEvent(QPaintEvent *event)
{
    QTableView::paintEvent(event);
    // A grid of fixed cells only ("No Records Found") has no data area: draw its first cell.
    if (cols() > fixedCols() || rows() == 0 || cols() == 0)
        return;
    const QString text = m_model->text(0, 0);
    if (text.isEmpty())
        return;
    QPainter painter(viewport());
    const CellFormat f = m_model->effectiveFormat(0, 0);
    painter.setPen(palette().color(QPalette::Text));
    painter.drawText(viewport()->rect().adjusted(4, 2, -4, -2), int(*f.alignment), text);
}

void FlexGrid::scrollContentsBy(int dx, int dy)
{
    QTableView::scrollContentsBy(dx, dy);
    placeCellButton();
}

void FlexGrid::resizeEvent(QResizeEvent *event)
{
    QTableView::resizeEvent(event);
    placeCellButton();
}

void FlexGrid::setRedraw(bool on)
{
    m_redraw = on;
    viewport()->setUpdatesEnabled(on);
    horizontalHeader()->viewport()->setUpdatesEnabled(on);
    verticalHeader()->viewport()->setUpdatesEnabled(on);
    if (on) {
        viewport()->update();
        updateCellButton();
    }
}

bool FlexGrid::eventFilter(QObject *watched, QEvent *event)
{
    QHeaderView *header = horizontalHeader();
    const bool press =
        event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick;
    if (watched != header->viewport() || !press)
        return QTableView::eventFilter(watched, event);
    const auto *mouse = static_cast<QMouseEvent *>(event);
    if (mouse->button() != Qt::LeftButton)
        return QTableView::eventFilter(watched, event);
    // Which column's right edge is under the mouse, if any: that is the column a drag resizes.
    const int x = mouse->position().toPoint().x();
    const int grip = style()->pixelMetric(QStyle::PM_HeaderGripMargin, nullptr, header);
    int section = header->logicalIndexAt(x);
    if (section < 0)
        return QTableView::eventFilter(watched, event);
    const int start = header->sectionViewportPosition(section);
    if (x < start + grip) {
        int visual = header->visualIndex(section) - 1;
        while (visual >= 0 && header->isSectionHidden(header->logicalIndex(visual)))
            --visual;
        section = visual >= 0 ? header->logicalIndex(visual) : -1;
    } else if (x <= start + header->sectionSize(section) - grip) {
        section = -1;
    }
    if (section < 0)
        return QTableView::eventFilter(watched, event);
    const int col = section + fixedCols();
    bool cancel = !m_model->column(col).userResizable;
    if (!cancel)
        emit beforeUserResize(-1, col, &cancel);
    if (cancel)
        return true;
    if (event->type() == QEvent::MouseButtonDblClick) {
        // Fitted our way: a sample of the rows, not every one.
        autoSize(col, col, 0);
        return true;
    }
    return QTableView::eventFilter(watched, event);
}
