// SPDX-License-Identifier: MIT
// frmParts: creating and deleting parts.
#include "frmParts.h"

#include "catalogue/core/PartHistory.h"
#include "catalogue/core/UpdateField.h"
#include "catalogue/core/modDB.h"
#include "catalogue/grid/FlexGrid.h"
#include "common/core/UiServices.h"
#include "modGrid.h"

#include <QLineEdit>

#include <algorithm>

namespace {
QString partCriterion(const QString &partNumber)
{
    return QStringLiteral("PartNumber='") + modDB::SQLQuote(partNumber) + u'\'';
}

bool confirm(const QString &text, const QString &title)
{
    return MsgBox(text, MsgIcon::Question, MsgButtons::YesNo, title) == MsgAnswer::Yes;
}
} // namespace

void frmParts::NewRecord()
{
    const QString partNumber = txtFind->text().trimmed();
    if (partNumber.isEmpty()) {
        MsgBox(tr("Please enter a part number"), MsgIcon::Exclamation, MsgButtons::Ok,
               tr("Create new record"));
        txtFind->setFocus();
        return;
    }
    // SQLite keeps any length: the column's declared size is checked here, as an edit does.
    if (!modDB::ValueFits(QStringLiteral("PARTS"), QStringLiteral("PartNumber"), partNumber))
        return;
    const QString found =
        modDB::LookUp(QStringLiteral("PARTS"), QStringLiteral("PARTID"), partCriterion(partNumber));
    if (found.toLongLong() > 0) {
        ShowRecord(found);
        return;
    }
    // A list still being read holds the catalogue open for reading, which keeps writers out.
    stopListing();
    const auto partId = PartHistory::createPart(partNumber);
    if (!partId)
        return;
    partCreated(*partId, partNumber);
    ShowRecord(QString::number(partId->partId));
}

void frmParts::DeleteRecords()
{
    if (m_RecordView)
        deleteFromRecordView();
    else
        deleteFromList();
    if (!hasDataRows(fg1))
        modGrid::GridSet1(*fg2);
}

QString frmParts::recordValue(const QString &field, const QString &fallback) const
{
    for (int r = 0; r < fg1->rows(); ++r)
        if (fg1->textMatrix(r, 0).compare(field, Qt::CaseInsensitive) == 0)
            return fg1->textMatrix(r, 1);
    return fallback;
}

void frmParts::makeCurrentRow(int row)
{
    const bool moved = row != fg1->row();
    fg1->setCurrentCell(row, std::max(fg1->col(), fg1->fixedCols()));
    fg1->select(row, 1, row, fg1->cols() - 1);
    // Same row number, another part: its associated parts follow all the same.
    if (!moved)
        showAssociatedParts(row);
}

void frmParts::deleteFromRecordView()
{
    const QString partId = fg1->textMatrix(0, 1).trimmed();
    // A record view that found no record has no part to delete.
    if (partId.isEmpty())
        return;
    if (!confirm(tr("Delete %1").arg(recordValue(QStringLiteral("PartNumber"), partId)), tr("Delete record")))
        return;
    partsDeleted(PartHistory::deleteParts({partId.toLongLong()}));
    ShowAllRecords();
}

void frmParts::deleteFromList()
{
    const int count = fg1->selectedRowCount();
    if (count == 1) {
        const int row = fg1->row();
        if (row < fg1->fixedRows())
            return;
        if (!confirm(tr("Delete %1").arg(fg1->textMatrix(row, 3)), tr("Delete record")))
            return;
        stopListing();
        partsDeleted(PartHistory::deleteParts({fg1->textMatrix(row, 1).toLongLong()}));
        fg1->removeItem(row);
        // The next part takes the deleted one's place, also as the one a second Delete acts on.
        if (hasDataRows(fg1))
            makeCurrentRow(std::min(row, fg1->rows() - 1));
        return;
    }
    if (!confirm(tr("Delete %1 records?").arg(count), tr("Delete records")))
        return;
    stopListing();
    // One transaction: a Delete of several parts is kept, and undone, whole.
    QList<std::int64_t> partIds;
    partIds.reserve(count);
    for (int n = 0; n < count; ++n)
        partIds << fg1->textMatrix(fg1->selectedRow(n), 1).toLongLong();
    partsDeleted(PartHistory::deleteParts(partIds));
    ShowAllRecords();
}
