// SPDX-License-Identifier: MIT
// frmParts: listing, searching, the associated parts and the record view.
#include "frmParts.h"

#include "DataArraySource.h"
#include "catalogue/core/PartSearch.h"
#include "catalogue/core/UpdateField.h"
#include "catalogue/core/ValueRules.h"
#include "catalogue/core/modDB.h"
#include "catalogue/core/modGlobal.h"
#include "catalogue/grid/FlexGrid.h"
#include "common/core/UiServices.h"
#include "modGrid.h"

#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>

bool frmParts::hasDataRows(const FlexGrid *grid) const
{
    return grid->rows() > grid->fixedRows();
}

void frmParts::showListResult()
{
    m_RecordView = false;
    if (hasDataRows(fg1)) {
        fg1->setColHidden(1, true);
        fg1->setColHidden(2, true);
        fg1->setCurrentCell(1, 1);
        fg1->select(1, 1, 1, fg1->cols() - 1);
    }
    showListCount();
}

void frmParts::showListCount()
{
    m_listStatus = tr("%1 records").arg(fg1->rows() - 1).trimmed();
    SetStatus(m_listStatus);
}

bool frmParts::loadList(const QString &sql, const DbConnection::Narrowing &narrowing)
{
    // The first rows are shown at once; the count in the status line follows the rest, but
    // only while nothing else has been said there since (a click on a row names its associated
    // parts). A list that failed is gone, and so is what was said about its rows.
    return modGrid::g_LoadGridList(
        *fg1, sql,
        [this](bool first) {
            if (first)
                showListResult();
            else if (lblStatus->text() == m_listStatus || !hasDataRows(fg1))
                showListCount();
            if (modGrid::isLoading(*fg1))
                return;
            // Read to its end: the search keeps it when it is the list of all parts.
            const std::shared_ptr<const DataArraySource> list = modGrid::g_ShownList(*fg1);
            if (list)
                m_search->listRead(std::shared_ptr<const DataArray>(list, &list->data()), list->fieldNames());
            else
                m_search->listRead(nullptr, {});
        },
        narrowing);
}

bool frmParts::stopListing()
{
    if (!modGrid::isLoading(*fg1))
        return false;
    modGrid::cancelLoad(*fg1);
    SetStatus(tr("%1 records (stopped)").arg(fg1->rows() - 1));
    return true;
}

void frmParts::ShowAllRecords()
{
    loadList(m_search->showAll(g_DbConnect, g_DisplayFieldList));
    modGrid::GridSet1(*fg2);
}

void frmParts::Search()
{
    const QString text = txtFind->text().trimmed();
    if (text.isEmpty())
        return;
    PartSearch::Answer found = m_search->search(g_DbConnect, text, g_DisplayFieldList);
    bool read = true;
    if (found.from == PartSearch::Answer::From::KeptList) {
        modGrid::g_ShowListRows(*fg1, std::move(found.list), found.fieldNames, std::move(found.rows));
        showListResult();
    } else {
        read = loadList(found.sql, found.narrowing);
    }
    // A search that failed (reported) found out nothing: the part may well exist, and adding
    // it would make a second one.
    if (!read || hasDataRows(fg1))
        return;
    const MsgAnswer answer = MsgBox(tr("Add a record for Part Number %1?").arg(text), MsgIcon::Question,
                                    MsgButtons::YesNo, tr("%1 not found").arg(text));
    if (answer == MsgAnswer::Yes) {
        cmdNew->click();
        fg1->setFocus();
    }
}

void frmParts::ShowRecord(const QString &partId)
{
    m_RecordView = true;
    modGrid::g_LoadGrid(*fg1, QStringLiteral("Select * from parts where PartID = ") + partId, -1,
                        m_recordStructure);
    if (fg1->cols() == 2 && fg1->fixedCols() == 0) {
        fg1->setFixedRows(1);
        fg1->setEditable(FlexGrid::EditMode::KeyboardMouse);
    }
}

void frmParts::showAssociatedParts(int row)
{
    // A fixed row holds the column names, not a part.
    if (!hasDataRows(fg1) || row < fg1->fixedRows()) {
        modGrid::GridSet1(*fg2);
        return;
    }
    const QString link = fg1->textMatrix(row, 2).trimmed();
    if (link.isEmpty()) {
        modGrid::GridSet1(*fg2);
        return;
    }
    const QString quoted = modDB::SQLQuote(link);
    modGrid::g_LoadGrid(*fg2,
                        PartSearch::selectList(g_DisplayFieldList) +
                            QStringLiteral(" from PARTS WHERE AsscWith = '") + quoted +
                            QStringLiteral("' OR PartNumber = '") + quoted + QStringLiteral("' Order By 3"),
                        0);
    if (hasDataRows(fg2)) {
        fg2->setColHidden(1, true);
        fg2->setColHidden(2, true);
        SetStatus(tr("%1 associated parts found for %2").arg(QString::number(fg2->rows() - 1), link));
    }
}

void frmParts::fg1_AfterRowColChange(int newRow, int newCol)
{
    if (m_RecordView) {
        // The names are not edited: a click on one goes to its value.
        if (newCol == 0) {
            fg1->setCurrentCell(newRow, 1);
            fg1->select(newRow, 1, newRow, fg1->cols() - 1);
        }
        return;
    }
    showAssociatedParts(newRow);
}

void frmParts::fg1_DblClick()
{
    if (m_RecordView || !hasDataRows(fg1) || fg1->row() < fg1->fixedRows())
        return;
    ShowRecord(fg1->textMatrix(fg1->row(), 1));
}

void frmParts::fg2_DblClick()
{
    commitOpenEdit();
    if (!hasDataRows(fg2) || fg2->row() < fg2->fixedRows())
        return;
    ShowRecord(fg2->textMatrix(fg2->row(), 1));
}

void frmParts::fg1_KeyDown(int key, bool *swallow)
{
    if (!m_RecordView && key == Qt::Key_Delete) {
        *swallow = true;
        DeleteRecords();
    }
}

void frmParts::fg1_MouseDown(Qt::MouseButton button, const QPoint &pos)
{
    if (button == Qt::RightButton)
        mnuEdit->popup(fg1->viewport()->mapToGlobal(pos));
}

void frmParts::fg1_BeforeEdit(int, int col, bool *cancel)
{
    if (!m_RecordView || col != 1)
        *cancel = true;
}

void frmParts::fg1_StartEdit(int row, int col)
{
    m_editOpenedWith = fg1->textMatrix(row, col);
}

void frmParts::fg1_AfterEdit(int row, int col)
{
    // Only a value is written; its row's name says where.
    if (!m_RecordView || col != 1 || row < fg1->fixedRows())
        return;
    // Left as it was opened, the text may be older than the database's: another window may
    // have written since this one read it. Only a change is written (spaces count: the
    // written value is trimmed, so " X " left as "X" does change what is stored).
    const QString typed = fg1->textMatrix(row, 1);
    if (typed == m_editOpenedWith)
        return;
    const std::int32_t partId = fg1->textMatrix(0, 1).trimmed().toInt();
    const QString field = fg1->textMatrix(row, 0);
    if (const auto edit = modDB::EditField(partId, field, m_recordStructure, typed)) {
        fieldEdited(partId, *edit, field);
        fg1->setTextMatrix(row, 1, ValueRules::trimSpaces(typed));
        return;
    }
    // Refused or failed (and said so): the cell shows what the database holds, never a value
    // it does not.
    fg1->setTextMatrix(row, 1, modDB::StoredValue(partId, field).value_or(m_editOpenedWith));
}
