// SPDX-License-Identifier: MIT
#include "PartUndo.h"

#include "DbConnection.h"
#include "common/core/AppInfo.h"
#include "common/core/UiServices.h"
#include "modDB.h"

#include <QCoreApplication>
#include <QDateTime>

using PartHistory::Entry;
using PartHistory::Value;
using PartHistory::Writer;

namespace {

QString shownTime(const QString &utc)
{
    const QDateTime at = QDateTime::fromString(utc, Qt::ISODateWithMs);
    return at.isValid() ? at.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) : utc;
}

// Who changed the part (or its field) last, as the refusal tells it: the history's last entry
// when it shows the value found, otherwise a program that keeps no history.
QString changedBy(Writer &writer, std::int64_t partId, const QString &field, const Value &found)
{
    const auto last = writer.latest(partId, field);
    if (last && (field.isEmpty() || last->after == found))
        return QCoreApplication::translate("PartUndo", "It was changed by %1 at %2.")
            .arg(PartHistory::author(*last), shownTime(last->when));
    return QCoreApplication::translate("PartUndo", "It was changed by another program.");
}

void refuse(const QString &text)
{
    MsgBox(text, MsgIcon::Exclamation, MsgButtons::Ok, AppInfo::catalogueTitle());
}

// Why a part this step would remove cannot go: it is gone, or no longer the row the step wrote.
std::optional<QString> changedSince(Writer &writer, const QString &row)
{
    const std::int64_t partId = PartHistory::rowPartId(row).value_or(0);
    const auto now = writer.currentRow(partId);
    if (!now)
        return QCoreApplication::translate("PartUndo",
                                           "Part %1 is no longer in the catalogue: nothing was changed.")
            .arg(PartHistory::rowPartNumber(row));
    if (*now != row)
        return QCoreApplication::translate("PartUndo", "Part %1 was changed since: nothing was changed. %2")
            .arg(PartHistory::rowPartNumber(row), changedBy(writer, partId, {}, {}));
    return std::nullopt;
}

} // namespace

void PartUndo::push(Step step)
{
    m_undo.push_back(std::move(step));
    m_redo.clear();
}

QString PartUndo::describe(const Step &step)
{
    switch (step.kind) {
    case Step::Kind::Edit: return QCoreApplication::translate("PartUndo", "Edit of %1").arg(step.field);
    case Step::Kind::New: return QCoreApplication::translate("PartUndo", "New Part");
    case Step::Kind::Delete:
        if (step.rows.size() == 1)
            return QCoreApplication::translate("PartUndo", "Delete of %1")
                .arg(PartHistory::rowPartNumber(step.rows.front()));
        return QCoreApplication::translate("PartUndo", "Delete of %1 Parts").arg(step.rows.size());
    case Step::Kind::Restore:
        if (step.rows.size() == 1)
            return QCoreApplication::translate("PartUndo", "Bring Back of %1")
                .arg(PartHistory::rowPartNumber(step.rows.front()));
        return QCoreApplication::translate("PartUndo", "Bring Back of %1 Parts").arg(step.rows.size());
    case Step::Kind::Import:
        return QCoreApplication::translate("PartUndo", "Import of %1").arg(step.partNumber);
    }
    return {};
}

QString PartUndo::undoText() const
{
    return m_undo.empty() ? QCoreApplication::translate("PartUndo", "Undo")
                          : QCoreApplication::translate("PartUndo", "Undo %1").arg(describe(m_undo.back()));
}

QString PartUndo::redoText() const
{
    return m_redo.empty() ? QCoreApplication::translate("PartUndo", "Redo")
                          : QCoreApplication::translate("PartUndo", "Redo %1").arg(describe(m_redo.back()));
}

PartUndo::Outcome PartUndo::undo()
{
    if (m_undo.empty())
        return Outcome::Refused;
    const Outcome outcome = apply(m_undo.back(), true);
    if (outcome == Outcome::Done) {
        m_redo.push_back(std::move(m_undo.back()));
        m_undo.pop_back();
    }
    return outcome;
}

PartUndo::Outcome PartUndo::redo()
{
    if (m_redo.empty())
        return Outcome::Refused;
    const Outcome outcome = apply(m_redo.back(), false);
    if (outcome == Outcome::Done) {
        m_undo.push_back(std::move(m_redo.back()));
        m_redo.pop_back();
    }
    return outcome;
}

PartUndo::Outcome PartUndo::apply(Step &step, bool undo)
{
    if (step.kind == Step::Kind::Import)
        return applyImport(step, undo);
    QString refusal;
    const QString via = undo ? QStringLiteral("undo") : QStringLiteral("redo");
    if (step.kind == Step::Kind::Edit || step.kind == Step::Kind::New)
        m_lastPart = step.partId;
    else
        m_lastPart = step.rows.size() == 1 ? PartHistory::rowPartId(step.rows.front()).value_or(0) : 0;
    // Removing the part again (undo of New, redo of Delete) only while it is as this window
    // left it; putting it back (redo of New, undo of Delete) only while nothing took its place.
    const bool removes = (step.kind == Step::Kind::New || step.kind == Step::Kind::Restore) == undo;
    const int rc = modDB::RunTransaction([&](DbConnection &connection, QString &statement) {
        Writer writer(connection, via);
        if (step.kind == Step::Kind::Edit) {
            const Value &from = undo ? step.after : step.before;
            const Value &to = undo ? step.before : step.after;
            statement = QStringLiteral("UPDATE PARTS SET [") + step.field + QStringLiteral("] = ") +
                        PartHistory::literal(to) + QStringLiteral(" WHERE PartID = ") +
                        QString::number(step.partId);
            const Writer::Edit edit =
                writer.writeField(step.partId, step.field, PartHistory::literal(to), from);
            if (!edit.found)
                refusal = QCoreApplication::translate(
                              "PartUndo", "Part %1 is no longer in the catalogue: nothing was changed.")
                              .arg(step.partNumber);
            else if (!edit.written)
                refusal =
                    QCoreApplication::translate(
                        "PartUndo",
                        "%1 of part %2 no longer holds the value this window wrote: nothing was changed. %3")
                        .arg(step.field, step.partNumber,
                             changedBy(writer, step.partId, step.field, edit.before));
            return;
        }
        if (removes) {
            for (const QString &row : std::as_const(step.rows)) {
                if (auto refused = changedSince(writer, row)) {
                    refusal = std::move(*refused);
                    return;
                }
            }
            for (const QString &row : std::as_const(step.rows)) {
                statement = QStringLiteral("Delete from PARTS where PartID = ") +
                            QString::number(PartHistory::rowPartId(row).value_or(0));
                writer.deletePart(PartHistory::rowPartId(row).value_or(0));
            }
            return;
        }
        for (const QString &row : std::as_const(step.rows)) {
            if (const auto refused = writer.restorable(row)) {
                refusal = *refused + u' ' + QCoreApplication::translate("PartUndo", "Nothing was changed.");
                return;
            }
        }
        for (const QString &row : std::as_const(step.rows)) {
            statement = QStringLiteral("INSERT INTO PARTS ...");
            writer.restorePart(row);
        }
    });
    if (rc != 0)
        return Outcome::Failed;
    // A refusal wrote nothing; what the transaction read is dropped with it.
    if (!refusal.isEmpty()) {
        refuse(refusal);
        return Outcome::Refused;
    }
    return Outcome::Done;
}

PartUndo::Outcome PartUndo::applyImport(Step &step, bool undo)
{
    // All of the import or none of it: everything is checked before the first write, in the
    // transaction that writes.
    m_lastPart = 0;
    QString refusal;
    const QString via = undo ? QStringLiteral("undo") : QStringLiteral("redo");
    const int rc = modDB::RunTransaction([&](DbConnection &connection, QString &statement) {
        Writer writer(connection, via);
        writer.setBatched(true);
        for (const Step &edit : step.edits) {
            const auto row = writer.readPart(edit.partId);
            const Value &expected = undo ? edit.after : edit.before;
            if (!row) {
                refusal = QCoreApplication::translate(
                              "PartUndo", "Part %1 is no longer in the catalogue: nothing was changed.")
                              .arg(edit.partNumber);
                return;
            }
            if (row->value(edit.field) != expected) {
                refusal =
                    QCoreApplication::translate(
                        "PartUndo",
                        "%1 of part %2 no longer holds the value the import wrote: nothing was changed. %3")
                        .arg(edit.field, edit.partNumber,
                             changedBy(writer, edit.partId, edit.field, row->value(edit.field)));
                return;
            }
        }
        for (const QString &row : std::as_const(step.rows)) {
            if (undo) {
                if (auto refused = changedSince(writer, row)) {
                    refusal = std::move(*refused);
                    return;
                }
            } else if (const auto refused = writer.restorable(row)) {
                refusal = *refused + u' ' + QCoreApplication::translate("PartUndo", "Nothing was changed.");
                return;
            }
        }
        for (const Step &edit : step.edits) {
            const Value &to = undo ? edit.before : edit.after;
            statement = QStringLiteral("UPDATE PARTS SET [") + edit.field + QStringLiteral("] = ") +
                        PartHistory::literal(to) + QStringLiteral(" WHERE PartID = ") +
                        QString::number(edit.partId);
            writer.writeField(edit.partId, edit.field, PartHistory::literal(to));
        }
        for (const QString &row : std::as_const(step.rows)) {
            const std::int64_t partId = PartHistory::rowPartId(row).value_or(0);
            if (undo) {
                statement = QStringLiteral("Delete from PARTS where PartID = ") + QString::number(partId);
                writer.deletePart(partId);
            } else {
                statement = QStringLiteral("INSERT INTO PARTS ...");
                writer.restorePart(row);
            }
        }
        statement = QStringLiteral("INSERT INTO ") + PartHistory::kTable;
        writer.flush();
    });
    if (rc != 0)
        return Outcome::Failed;
    if (!refusal.isEmpty()) {
        refuse(refusal);
        return Outcome::Refused;
    }
    return Outcome::Done;
}
