// SPDX-License-Identifier: MIT
// frmParts: undo and redo of this window's changes, a part's history, deleted parts.
#include "frmParts.h"

#include "catalogue/core/PartHistory.h"
#include "catalogue/core/PartUndo.h"
#include "catalogue/core/modDB.h"
#include "catalogue/core/modGlobal.h"
#include "catalogue/grid/FlexGrid.h"
#include "common/core/AppInfo.h"
#include "common/core/UiServices.h"
#include "modGrid.h"

#include <QAction>
#include <QDateTime>
#include <QMenu>

namespace {

QString shownTime(const QString &utc)
{
    const QDateTime at = QDateTime::fromString(utc, Qt::ISODateWithMs);
    return at.isValid() ? at.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) : utc;
}

QString shownValue(const PartHistory::Value &value)
{
    return value.value_or(QString());
}

} // namespace

void frmParts::buildHistoryMenus()
{
    mnuEdit->addSeparator();
    mnuUndo = mnuEdit->addAction(tr("Undo"));
    mnuUndo->setObjectName(QStringLiteral("mnuUndo"));
    mnuUndo->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    mnuRedo = mnuEdit->addAction(tr("Redo"));
    mnuRedo->setObjectName(QStringLiteral("mnuRedo"));
    mnuRedo->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
    mnuEdit->addSeparator();
    mnuHistory = mnuEdit->addAction(tr("&History..."));
    mnuHistory->setObjectName(QStringLiteral("mnuHistory"));
    mnuDeletedParts = mnuEdit->addAction(tr("Deleted &Parts..."));
    mnuDeletedParts->setObjectName(QStringLiteral("mnuDeletedParts"));
    // Shortcuts of a menu work while the grid has the focus too.
    for (QAction *action : {mnuUndo, mnuRedo})
        action->setShortcutContext(Qt::WindowShortcut);
    updateUndoMenus();
}

void frmParts::prepareHistory()
{
    // A read-only catalogue is used without it: its history is shown where there is one.
    if (const auto made = PartHistory::ensure(); !made)
        modGlobal::WriteLog(
            QStringLiteral("Change history for %1 not prepared (%2).").arg(g_DbConnect, made.error().message),
            true);
}

void frmParts::updateUndoMenus()
{
    mnuUndo->setText(m_undo->undoText());
    mnuUndo->setEnabled(m_undo->canUndo());
    mnuRedo->setText(m_undo->redoText());
    mnuRedo->setEnabled(m_undo->canRedo());
}

void frmParts::partCreated(const PartHistory::Created &created, const QString &partNumber)
{
    PartUndo::Step step;
    step.kind = PartUndo::Step::Kind::New;
    step.partId = created.partId;
    step.partNumber = partNumber;
    step.rows = {created.row};
    m_undo->push(std::move(step));
    updateUndoMenus();
}

void frmParts::partsDeleted(const std::optional<QStringList> &rows)
{
    if (!rows || rows->isEmpty())
        return;
    PartUndo::Step step;
    step.kind = PartUndo::Step::Kind::Delete;
    step.rows = *rows;
    m_undo->push(std::move(step));
    updateUndoMenus();
}

void frmParts::fieldEdited(std::int64_t partId, const PartHistory::Writer::Edit &edit, const QString &field)
{
    if (!edit.written || edit.before == edit.after)
        return;
    PartUndo::Step step;
    step.kind = PartUndo::Step::Kind::Edit;
    step.partId = partId;
    step.partNumber = recordValue(QStringLiteral("PartNumber"), QString::number(partId));
    step.field = field;
    step.before = edit.before;
    step.after = edit.after;
    m_undo->push(std::move(step));
    updateUndoMenus();
}

void frmParts::Undo()
{
    if (!m_undo->canUndo())
        return;
    // A list still being read holds the catalogue open for reading, which keeps writers out.
    stopListing();
    // A refused step shows what the catalogue holds instead.
    if (m_undo->undo() != PartUndo::Outcome::Failed)
        showChanged(m_undo->lastPart());
    updateUndoMenus();
}

void frmParts::Redo()
{
    if (!m_undo->canRedo())
        return;
    stopListing();
    // A refused step shows what the catalogue holds instead.
    if (m_undo->redo() != PartUndo::Outcome::Failed)
        showChanged(m_undo->lastPart());
    updateUndoMenus();
}

void frmParts::showChanged(std::int64_t partId)
{
    if (partId > 0 &&
        modDB::LookUp(QStringLiteral("PARTS"), QStringLiteral("PartID"),
                      QStringLiteral("PartID = ") + QString::number(partId)) != QStringLiteral("-1")) {
        ShowRecord(QString::number(partId));
        return;
    }
    ShowAllRecords();
}

void frmParts::ShowHistory()
{
    QString partId;
    if (m_RecordView)
        partId = fg1->textMatrix(0, 1).trimmed();
    else if (hasDataRows(fg1) && fg1->row() >= fg1->fixedRows())
        partId = fg1->textMatrix(fg1->row(), 1).trimmed();
    if (partId.toLongLong() <= 0)
        return;
    const QString partNumber =
        m_RecordView ? recordValue(QStringLiteral("PartNumber"), partId) : fg1->textMatrix(fg1->row(), 3);
    TableRequest request;
    request.title = tr("History of %1").arg(partNumber);
    request.headings = {tr("When"), tr("Who"), tr("Field"), tr("Before"), tr("After")};
    const QList<PartHistory::Entry> entries = PartHistory::partHistory(partId.toLongLong());
    for (const PartHistory::Entry &e : entries) {
        QString change = e.change;
        if (e.change == PartHistory::kCreated)
            change = tr("(created)");
        else if (e.change == PartHistory::kDeleted)
            change = tr("(deleted)");
        if (e.via == QStringLiteral("undo"))
            change = tr("%1, undone").arg(change);
        else if (e.via == QStringLiteral("redo"))
            change = tr("%1, redone").arg(change);
        else if (e.via == QStringLiteral("restore"))
            change = tr("%1, brought back").arg(change);
        request.rows << QStringList{shownTime(e.when), PartHistory::author(e), change, shownValue(e.before),
                                    shownValue(e.after)};
    }
    if (entries.isEmpty())
        request.text = tr("No changes of this part are recorded.");
    ui().showTable(request);
}

void frmParts::ShowDeletedParts()
{
    const QList<PartHistory::Entry> entries = PartHistory::deletedParts();
    TableRequest request;
    request.title = tr("Deleted Parts");
    request.text = entries.isEmpty() ? tr("No deleted parts are recorded.")
                                     : tr("Select the parts to bring back with their Part IDs.");
    request.headings = {tr("Part Number"), tr("Part ID"), tr("Deleted"), tr("By")};
    for (const PartHistory::Entry &e : entries)
        request.rows << QStringList{e.partNumber, QString::number(e.partId), shownTime(e.when),
                                    PartHistory::author(e)};
    request.acceptText = entries.isEmpty() ? QString() : tr("Bring Back");
    const auto chosen = ui().showTable(request);
    if (!chosen || chosen->isEmpty())
        return;
    stopListing();
    QStringList refused;
    QStringList restored;
    // Each part on its own: one that cannot come back does not keep the others out.
    for (const int index : *chosen) {
        const PartHistory::Entry &e = entries.at(index);
        std::optional<QString> refusal;
        if (modDB::RunTransaction([&](DbConnection &connection, QString &statement) {
                statement = QStringLiteral("INSERT INTO PARTS ... PartID = ") + QString::number(e.partId);
                refusal = PartHistory::Writer(connection, QStringLiteral("restore")).restorePart(e.row);
            }) != 0)
            break;
        if (refusal)
            refused << *refusal;
        else
            restored << e.row;
    }
    if (!refused.isEmpty())
        MsgBox(tr("These parts were not brought back:\n%1").arg(refused.join(u'\n')), MsgIcon::Exclamation,
               MsgButtons::Ok, tr("Deleted Parts"));
    if (!restored.isEmpty()) {
        // A change of this window's like any other: its undo deletes them again.
        PartUndo::Step step;
        step.kind = PartUndo::Step::Kind::Restore;
        step.rows = restored;
        m_undo->push(std::move(step));
        updateUndoMenus();
        showChanged(restored.size() == 1 ? PartHistory::rowPartId(restored.front()).value_or(0) : 0);
    }
}
