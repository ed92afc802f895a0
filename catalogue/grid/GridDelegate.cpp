// SPDX-License-Identifier: MIT
#include "GridDelegate.h"

#include "FlexGrid.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPainter>
#include <QPixmap>

#include <functional>
#include <limits>

namespace {

// A choice list that tells when its drop-down closes.
class ComboEditor final : public QComboBox {
public:
    using QComboBox::QComboBox;
    std::function<void()> onCloseUp;

    void hidePopup() override
    {
        QComboBox::hidePopup();
        if (onCloseUp)
            onCloseUp();
    }
};

constexpr int kSymbolSize = 9;

// A line edit keeps 32,767 characters by default and cuts the rest without a word; a cell
// (a memo) may hold any length, and its editor must write back what it was given.
void takeAnyLength(QLineEdit *edit)
{
    if (edit)
        edit->setMaxLength(std::numeric_limits<int>::max());
}

} // namespace

GridDelegate::GridDelegate(FlexGrid *grid) : QStyledItemDelegate(grid), m_grid(grid) {}

QIcon GridDelegate::ellipsisIcon(int size)
{
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setPen(Qt::black);
    p.setBrush(Qt::black);
    const int y = size / 2;
    for (int i = 0; i < 3; ++i)
        p.drawRect(size / 2 - 5 + i * 4, y, 1, 1);
    return QIcon(pm);
}

void GridDelegate::paintOutlineSymbol(QPainter *painter, const QStyleOptionViewItem &option,
                                      bool collapsed) const
{
    const QRect r = option.rect;
    const QRect box(r.left() + 3, r.center().y() - kSymbolSize / 2, kSymbolSize - 1, kSymbolSize - 1);
    painter->save();
    painter->setPen(option.palette.color(QPalette::Text));
    painter->setBrush(option.palette.base());
    painter->drawRect(box);
    const int cy = box.center().y() + 1;
    painter->drawLine(box.left() + 2, cy, box.right() - 2, cy);
    if (collapsed) {
        const int cx = box.center().x() + 1;
        painter->drawLine(cx, box.top() + 2, cx, box.bottom() - 2);
    }
    painter->restore();
}

void GridDelegate::paintOwnerDrawn(QPainter *painter, const QStyleOptionViewItem &option,
                                   const QModelIndex &index) const
{
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    const QWidget *widget = opt.widget;
    QStyle *style = widget ? widget->style() : QApplication::style();

    QStyleOptionViewItem background = opt;
    background.text.clear();
    background.features &= ~QStyleOptionViewItem::HasDisplay;
    style->drawControl(QStyle::CE_ItemViewItem, &background, painter, widget);

    painter->save();
    emit m_grid->drawCell(painter, m_grid->gridModel()->gridRow(index), m_grid->gridModel()->gridCol(index),
                          opt.rect);
    painter->restore();

    const QRect textRect = style->subElementRect(QStyle::SE_ItemViewItemText, &opt, widget);
    painter->save();
    painter->setFont(opt.font);
    const bool selected = opt.state & QStyle::State_Selected;
    painter->setPen(opt.palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
    const QString text = opt.fontMetrics.elidedText(opt.text, opt.textElideMode, textRect.width());
    painter->drawText(textRect, int(opt.displayAlignment), text);
    painter->restore();
}

void GridDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                         const QModelIndex &index) const
{
    const GridModel *model = m_grid->gridModel();
    const int row = model->gridRow(index);
    const int col = model->gridCol(index);
    if (m_grid->ownerDraw())
        paintOwnerDrawn(painter, option, index);
    else
        QStyledItemDelegate::paint(painter, option, index);
    if (col == m_grid->outlineCol() && model->isCategory(row))
        paintOutlineSymbol(painter, option, model->isCollapsed(row));
}

QWidget *GridDelegate::createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                                    const QModelIndex &index) const
{
    m_grid->editorOpened(index);
    const QString list = m_grid->comboList();
    const int row = m_grid->gridModel()->gridRow(index);
    const int col = m_grid->gridModel()->gridCol(index);
    QWidget *editor = nullptr;
    if (list == QLatin1String("...")) {
        auto *edit = new QLineEdit(parent);
        const QIcon icon =
            m_grid->cellButtonPicture().isNull() ? ellipsisIcon(16) : m_grid->cellButtonPicture();
        QAction *button = edit->addAction(icon, QLineEdit::TrailingPosition);
        button->setObjectName(QStringLiteral("cellButton"));
        connect(button, &QAction::triggered, m_grid, [this, edit, row, col] {
            // The button's handler writes the cell itself: leave without committing the editor.
            emit const_cast<GridDelegate *>(this)->closeEditor(edit, QAbstractItemDelegate::RevertModelCache);
            emit m_grid->cellButtonClick(row, col);
        });
        editor = edit;
    } else if (!list.isEmpty()) {
        auto *combo = new ComboEditor(parent);
        const bool typed = list.startsWith(u'|');
        combo->setEditable(typed);
        combo->setInsertPolicy(QComboBox::NoInsert);
        QStringList items = list.split(u'|');
        if (typed)
            items.removeFirst();
        combo->addItems(items);
        takeAnyLength(combo->lineEdit());
        combo->onCloseUp = [this, row, col] { emit m_grid->comboCloseUp(row, col); };
        connect(combo, &QComboBox::activated, m_grid, [this, combo] {
            auto *self = const_cast<GridDelegate *>(this);
            emit self->commitData(combo);
            emit self->closeEditor(combo, QAbstractItemDelegate::NoHint);
        });
        editor = combo;
    } else {
        editor = QStyledItemDelegate::createEditor(parent, option, index);
    }
    takeAnyLength(qobject_cast<QLineEdit *>(editor));
    m_editor = editor;
    return editor;
}

void GridDelegate::setEditorData(QWidget *editor, const QModelIndex &index) const
{
    if (auto *combo = qobject_cast<QComboBox *>(editor)) {
        const QString text = index.data(Qt::EditRole).toString();
        const int at = combo->findText(text);
        if (at >= 0)
            combo->setCurrentIndex(at);
        else if (combo->isEditable())
            combo->setEditText(text);
        return;
    }
    QStyledItemDelegate::setEditorData(editor, index);
}

void GridDelegate::setModelData(QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const
{
    if (auto *combo = qobject_cast<QComboBox *>(editor)) {
        model->setData(index, combo->currentText(), Qt::EditRole);
        return;
    }
    QStyledItemDelegate::setModelData(editor, model, index);
}
